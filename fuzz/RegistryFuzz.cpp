// The registry file as any bytes: the conduit check reads keys and integers from
// it, and a change keeps every other key as it was.

#include "core/common/Error.h"
#include "core/sync/ConduitRegistration.h"
#include "core/sync/Registry.h"
#include "FuzzSupport.h"

#include <QFile>

using namespace ambitra;
using namespace ambitra::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const QString folder = scratchFolder("registry-fuzz");
    static const QString path = folder + QStringLiteral("/registry.ini");
    writeFile(QFile::encodeName(path), data, size);

    IniRegistry registry(path);
    for (int i = 0; i < 6; ++i) {
        const QString key = ConduitRegistration::applicationKey(i);
        registry.hasKey(key);
        registry.value(key, QStringLiteral("Conduit"));
        try {
            registry.integer(key, QStringLiteral("Creator"));
        } catch (const Error&) {
            // a value that is no integer: reported with its key
        }
    }
    const QString key = ConduitRegistration::applicationKey(0);
    const std::optional<QString> before =
        registry.value(ConduitRegistration::applicationKey(1), QStringLiteral("Conduit"));
    try {
        registry.setValue(key, QStringLiteral("Creator"), QStringLiteral("1364808278"));
    } catch (const Error&) {
        return 0;  // a registry that cannot be written: said so
    }
    check(registry.integer(key, QStringLiteral("Creator")) == 1364808278,
          "a value written did not read back");
    check(
        registry.value(ConduitRegistration::applicationKey(1), QStringLiteral("Conduit")) == before,
        "a change altered another key");
    return 0;
}
