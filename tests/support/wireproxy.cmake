# The wire-counting proxy, shared by the tests and the benchmarks; either may be built
# without the other, so whichever comes first defines it.
if(NOT TARGET kvp_test_wire)
  find_package(Threads REQUIRED)
  add_library(kvp_test_wire STATIC
    ${CMAKE_CURRENT_LIST_DIR}/wireproxy.h ${CMAKE_CURRENT_LIST_DIR}/wireproxy.cpp)
  target_include_directories(kvp_test_wire PUBLIC ${CMAKE_CURRENT_LIST_DIR})
  target_link_libraries(kvp_test_wire PUBLIC kvp_options Threads::Threads)
endif()
