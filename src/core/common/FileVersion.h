#pragma once

#include <QString>

namespace ambitra {

// Version of a program file as four numbers joined by "." ("1.0.0.0"); empty when
// the file carries no version. Off Windows the version is the one compiled into
// the program (see FileVersion.cpp), found by scanning the file for its marker.
QString GetFileVersionText(const QString& path);
// The version compiled into this program, in the same form.
QString programVersionText();

}  // namespace ambitra
