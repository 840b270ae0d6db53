// The conduit installer tool: writes the HotSync registration of the forms
// conduit into the user's registry, or removes the standard registrations.
//
//   RDKINST -condpath PATH -crtreg CODE [-restarths] [-quiet]
//   RDKINST -remstdreg [-quiet]
//
// The program starts it twice at once, so the whole work of one run happens
// under the registry's lock.
#include "core/common/Error.h"
#include "core/common/FileAccess.h"
#include "core/sync/ConduitRegistration.h"
#include "core/sync/Registry.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>

using namespace ambitra;

namespace {

const QString kConduit = QStringLiteral("Conduit");
const QString kCreator = QStringLiteral("Creator");

struct Arguments {
    bool remove = false;
    QString conduitPath;
    QString creatorCode;
    bool quiet = false;
};

bool parse(const QStringList& args, Arguments& parsed) {
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == QLatin1String("-remstdreg")) {
            parsed.remove = true;
        } else if (arg == QLatin1String("-condpath") && i + 1 < args.size()) {
            parsed.conduitPath = args[++i];
        } else if (arg == QLatin1String("-crtreg") && i + 1 < args.size()) {
            parsed.creatorCode = args[++i];
        } else if (arg == QLatin1String("-quiet")) {
            parsed.quiet = true;
        } else if (arg != QLatin1String("-restarths")) {
            // There is no HotSync manager to restart: the cradle reads the
            // registry at every cycle.
            return false;
        }
    }
    const bool add = !parsed.conduitPath.isEmpty() && parsed.creatorCode.size() == 4;
    return parsed.remove != add;
}

// Whether the key registers the forms conduit library.
bool namesConduit(Registry& registry, const QString& key) {
    const QString library =
        ConduitRegistration::runtimeFor(QString::fromLatin1(ConduitRegistration::kSatFormsVersion))
            .library;
    return registry.value(key, kConduit).value_or(QString()).contains(library, Qt::CaseInsensitive);
}

std::optional<quint32> creatorOf(Registry& registry, const QString& key) {
    bool ok = false;
    const qint64 number = registry.value(key, kCreator).value_or(QString()).toLongLong(&ok);
    return ok ? std::optional<quint32>(static_cast<quint32>(number)) : std::nullopt;
}

int keyCount(Registry& registry) {
    int n = 0;
    while (registry.hasKey(ConduitRegistration::applicationKey(n))) {
        ++n;
    }
    return n;
}

// Removes the conduit's keys registered without an application's creator code.
// The keys after a removed one move down, since readers stop at the first gap.
void removeStandard(Registry& registry) {
    const quint32 ours =
        ConduitRegistration::creatorNumber(QString::fromLatin1(ConduitRegistration::kCreatorCode));
    const int count = keyCount(registry);
    QList<QList<std::pair<QString, QString>>> kept;
    for (int n = 0; n < count; ++n) {
        const QString key = ConduitRegistration::applicationKey(n);
        const std::optional<quint32> creator = creatorOf(registry, key);
        const bool standard = namesConduit(registry, key) && (!creator || *creator == 0);
        if (standard && creator != ours) {
            continue;
        }
        QList<std::pair<QString, QString>> values;
        for (const QString& name : {kConduit, kCreator, QStringLiteral("Name"),
                                    QStringLiteral("Directory"), QStringLiteral("Priority")}) {
            if (const auto value = registry.value(key, name)) {
                values.append({name, *value});
            }
        }
        kept.append(values);
    }
    if (kept.size() == count) {
        return;
    }
    for (int n = 0; n < count; ++n) {
        registry.removeKey(ConduitRegistration::applicationKey(n));
    }
    for (int n = 0; n < kept.size(); ++n) {
        for (const auto& [name, value] : kept[n]) {
            registry.setValue(ConduitRegistration::applicationKey(n), name, value);
        }
    }
}

// Points the application's registration at the conduit, adding it when missing.
void addRegistration(Registry& registry, const QString& conduitPath, const QString& creatorCode) {
    const quint32 creator = ConduitRegistration::creatorNumber(creatorCode);
    const int count = keyCount(registry);
    int target = count;
    for (int n = 0; n < count; ++n) {
        const QString key = ConduitRegistration::applicationKey(n);
        if (namesConduit(registry, key) && creatorOf(registry, key) == creator) {
            target = n;
            break;
        }
    }
    const QString key = ConduitRegistration::applicationKey(target);
    registry.setValue(key, kConduit, QFileInfo(conduitPath).absoluteFilePath());
    registry.setValue(key, kCreator, QString::number(creator));
    registry.setValue(key, QStringLiteral("Name"), QStringLiteral("Ambitra ") + creatorCode);
}

}  // namespace

int main(int argc, char** argv) {
    ambitra::restrictNewFiles();
    QCoreApplication app(argc, argv);
    Arguments args;
    if (!parse(QCoreApplication::arguments().mid(1), args)) {
        std::fputs(
            "usage: RDKINST -condpath PATH -crtreg CODE [-restarths] [-quiet]\n"
            "       RDKINST -remstdreg [-quiet]\n",
            stderr);
        return 2;
    }
    IniRegistry registry(IniRegistry::userRegistryPath());
    try {
        registry.atomically([&](Registry& r) {
            if (args.remove) {
                removeStandard(r);
            } else {
                addRegistration(r, args.conduitPath, args.creatorCode);
            }
        });
    } catch (const Error& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    if (!args.quiet) {
        std::printf("%s\n",
                    args.remove ? "Standard registrations removed." : "Conduit registered.");
    }
    return 0;
}
