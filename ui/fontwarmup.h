#pragma once

// The first screen of a process loads every font it draws with, each through fontconfig
// and FreeType: a few milliseconds of the first open. A host that installs the Qt view
// when it starts has them loaded while it waits for its first sale instead.

#include <QFont>
#include <QList>

namespace kvp::ui {

// The fonts the module's screens draw with, each once: the designed controls' of both
// screens and their tray entries'.
QList<QFont> screenFonts();

// Loads each of screenFonts() with the glyphs of a sample, once per process. False when
// it had already been done.
bool loadScreenFonts();
bool screenFontsLoaded();

// Runs loadScreenFonts() once the event loop is free. Dropped if a screen has been
// built by then: that screen is loading the fonts it needs itself, and the rest would
// only delay it.
void loadScreenFontsWhenIdle();

// Every screen's view says so when it is built.
void noteScreenBuilt();

}  // namespace kvp::ui
