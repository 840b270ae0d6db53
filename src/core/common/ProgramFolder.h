#pragma once

#include <QString>

namespace ambitra {

// The folder that holds the settings file and the database (AppDir) of a program
// whose executable lies in programDir, without trailing delimiter.
//
// A portable installation keeps them beside the program: that folder is AppDir
// when it accepts new files or already holds ambitra.ini or Ambitra.db (a
// read-only portable folder is then reported by the start-up, not silently left
// for another one). An installed program in a folder the user may not write to
// keeps them in the user's data folder, $XDG_DATA_HOME/ambitra (default
// ~/.local/share/ambitra), created private to the user on first use.
QString ResolveAppDir(const QString& programDir);

// ResolveAppDir for the running executable: the window and both companions
// share one register this way.
QString GetAppDir();

// The user's data folder for this program, $XDG_DATA_HOME/ambitra; a relative
// or empty XDG_DATA_HOME is ignored, as the base directory rules ask.
QString UserDataAppDir();

// The folder of the program folder where every assets table returned by a
// handheld is kept before it is applied.
QString ReceivedFolder(const QString& appDir);

}  // namespace ambitra
