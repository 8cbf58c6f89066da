// kvp_wire_proxy: runs one command with its database traffic through the wire-counting
// proxy and reports what crossed the wire, connection set-up included.
//
//   kvp_wire_proxy [--delay MS] [--report FILE] UPSTREAM_PORT -- COMMAND [ARG...]
//
// The proxy listens on a free loopback port and forwards to 127.0.0.1:UPSTREAM_PORT,
// holding each request back MS milliseconds. Every "{port}" in the command's arguments
// becomes the proxy's port. When the command has ended, the report (standard error, or
// FILE) holds one "name value" pair a line:
//   round_trips N, connections N, round_trips_per_connection N N ..., bytes_to_server N,
//   bytes_to_client N, wall_ms T (the command's run), exit N
// The program's exit status is the command's (127 when it could not start).
// bench/run_host_roundtrips.sh uses it on the reference host.

#include "wireproxy.h"

#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

extern char** environ;

namespace {

int usage()
{
    std::fputs(
        "usage: kvp_wire_proxy [--delay MS] [--report FILE] UPSTREAM_PORT -- COMMAND [ARG...]\n",
        stderr);
    return 2;
}

// A whole number in [0, max], or -1.
long number(const char* text, long max)
{
    char* end = nullptr;
    const long n = std::strtol(text, &end, 10);
    return (end == text || *end != '\0' || n < 0 || n > max) ? -1 : n;
}

std::string withPort(std::string arg, int port)
{
    const std::string mark = "{port}";
    for (auto at = arg.find(mark); at != std::string::npos; at = arg.find(mark, at))
        arg.replace(at, mark.size(), std::to_string(port));
    return arg;
}

}  // namespace

int main(int argc, char** argv)
{
    long delay = 0;
    const char* reportPath = nullptr;
    int i = 1;
    for (; i < argc && std::strncmp(argv[i], "--", 2) == 0 && std::strcmp(argv[i], "--") != 0;
         i += 2) {
        if (i + 1 >= argc)
            return usage();
        if (std::strcmp(argv[i], "--delay") == 0 && (delay = number(argv[i + 1], 60000)) >= 0)
            continue;
        if (std::strcmp(argv[i], "--report") == 0) {
            reportPath = argv[i + 1];
            continue;
        }
        return usage();
    }
    if (i + 2 >= argc || std::strcmp(argv[i + 1], "--") != 0)
        return usage();
    const long upstream = number(argv[i], 65535);
    if (upstream <= 0)
        return usage();

    try {
        kvp::test::WireProxy proxy(static_cast<int>(upstream), static_cast<int>(delay));
        std::vector<std::string> args;
        for (int a = i + 2; a < argc; ++a)
            args.push_back(withPort(argv[a], proxy.port()));
        std::vector<char*> argvChild;
        for (std::string& a : args)
            argvChild.push_back(a.data());
        argvChild.push_back(nullptr);

        const auto t0 = std::chrono::steady_clock::now();
        pid_t child = 0;
        int status = 0;
        int exitCode = 127;
        if (posix_spawnp(&child, argvChild[0], nullptr, nullptr, argvChild.data(), environ) != 0)
            std::fprintf(stderr, "kvp_wire_proxy: cannot start %s\n", argvChild[0]);
        else if (waitpid(child, &status, 0) == child)
            exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        const double wallMs =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0)
                .count();
        // The command's connections are closed; what is still in flight ends here.
        proxy.stop();

        FILE* out = reportPath ? std::fopen(reportPath, "w") : stderr;
        if (!out) {
            std::fprintf(stderr, "kvp_wire_proxy: cannot write %s\n", reportPath);
            return exitCode == 0 ? 1 : exitCode;
        }
        const kvp::test::WireCounts c = proxy.counts();
        std::fprintf(out, "round_trips %ld\nconnections %ld\nround_trips_per_connection",
                     c.roundTrips, c.connections);
        for (long n : proxy.roundTripsPerConnection())
            std::fprintf(out, " %ld", n);
        std::fprintf(out, "\nbytes_to_server %lld\nbytes_to_client %lld\nwall_ms %.1f\nexit %d\n",
                     c.bytesToServer, c.bytesToClient, wallMs, exitCode);
        if (out != stderr)
            std::fclose(out);
        return exitCode;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kvp_wire_proxy: %s\n", e.what());
        return 1;
    }
}
