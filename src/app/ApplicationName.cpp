#include "app/ApplicationName.h"

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QTranslator>

#include <cstring>

namespace ambitra::ui {

namespace {

// The file dialog's types of entries, which the toolkit's Portuguese
// translation does not hold.
class FileTypeTranslator : public QTranslator {
  public:
    using QTranslator::QTranslator;

    bool isEmpty() const override { return false; }

    QString translate(const char* context, const char* source, const char* disambiguation,
                      int n) const override {
        Q_UNUSED(disambiguation);
        Q_UNUSED(n);
        if (context == nullptr || source == nullptr ||
            std::strcmp(context, "QAbstractFileIconProvider") != 0) {
            return {};
        }
        static const std::pair<const char*, const char*> kWords[] = {
            {"Drive", "Unidade"}, {"File", "Arquivo"},        {"%1 File", "Arquivo %1"},
            {"Folder", "Pasta"},  {"File Folder", "Pasta"},   {"Shortcut", "Atalho"},
            {"Alias", "Atalho"},  {"Unknown", "Desconhecido"}};
        for (const auto& [english, portuguese] : kWords) {
            if (std::strcmp(source, english) == 0) {
                return QString::fromUtf8(portuguese);
            }
        }
        return {};
    }
};

}  // namespace

void nameApplication() {
    QCoreApplication::setApplicationName(QStringLiteral("Ambitra PC"));
}

void setProgramIcon() {
    QIcon icon;
    for (const char* size : {"48", "256"}) {
        icon.addFile(QStringLiteral(":/icons/%1/org.ambitra.Ambitra.png").arg(QLatin1String(size)));
    }
    QApplication::setWindowIcon(icon);
}

void translateApplication(QApplication& app) {
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    for (const char* name : {"qtbase_pt_BR", "qt_pt_BR"}) {
        auto* translator = new QTranslator(&app);
        if (translator->load(QString::fromLatin1(name), folder)) {
            app.installTranslator(translator);
        } else {
            delete translator;
        }
    }
    QApplication::installTranslator(new FileTypeTranslator(&app));
}

}  // namespace ambitra::ui
