#pragma once

// The first screen of a process loads every font it draws with, each through fontconfig
// and FreeType, and lists the shop's product pictures: together a few milliseconds of the
// first open on a small shop and most of it on a shop with a picture per product. A host
// that installs the Qt view when it starts has both done while it waits for its first
// sale instead.

#include <QFont>
#include <QList>

namespace kvp::ui {

// The fonts the module's screens draw with, each once: the designed controls' of both
// screens and their tray entries'.
QList<QFont> screenFonts();

// Loads each of screenFonts() with the glyphs of a sample, and lists the pictures' folder
// that the host's parameter file names; once per process. False when it had already been
// done.
bool warmUp();
bool warmedUp();

// Runs warmUp() once the event loop is free. Dropped if a screen has been built by then:
// that screen is doing the same work itself, and more would only delay it.
void warmUpWhenIdle();

// Every screen's view says so when it is built.
void noteScreenBuilt();

}  // namespace kvp::ui
