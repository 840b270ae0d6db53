#pragma once

#include <QStringList>

namespace ambitra::cli {

// "dbf FILE": prints a dBase table as the program reads it, for answering
// "what did the handheld send?". First one line per field
// NAME<TAB>TYPE<TAB>WIDTH<TAB>DECIMALS, then "--", then one line per live record
// with the values tab-separated: C text without trailing blanks, N as plain
// decimal text with the field's decimals, D as yyyymmdd, L as T or F, nothing
// for null. args are the words after "dbf". Returns 0, 1 on an error (its text
// on stderr) or 2 for bad usage (the caller prints the usage).
int runDbfCommand(const QStringList& args);

}  // namespace ambitra::cli
