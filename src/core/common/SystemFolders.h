#pragma once

#include <QString>

namespace ambitra {

// System folders. Off Windows see the definitions for what stands in for them.
QString GetSystemDir();
QString GetProgramFilesDir();
QString GetProgramLibDir();
QString GetTempDir();  // with a trailing delimiter

}  // namespace ambitra
