#pragma once

// The shared printers of every test program.
#include "support/QtPrinters.h"
