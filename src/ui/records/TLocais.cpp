#include "ui/records/TLocais.h"

#include "core/data/TDados.h"
#include "core/records/EditingProtocol.h"
#include "ui/records/FieldBinding.h"
#include "ui/records/PanelBuilder.h"

#include <QLineEdit>

namespace ambitra::ui {

TLocais::TLocais(TDados& dados, Prompter& prompter, QSize childArea, QWidget* parent)
    : RecordWindow(new EditingProtocol(dados.TLocais(), dados.SQLTmp(), prompter,
                                       QStringLiteral("LOPREDIO"), cursorProgress()),
                   prompter, QSize(480, 240), QSize(440, 160), childArea, parent) {
    setObjectName(QStringLiteral("Locais"));
    setWindowTitle(QStringLiteral("Locais"));

    PanelBuilder form(panel());
    DBEdit1 = form.lineEdit("DBEdit1", "Código", 5);
    DBEdit2 = form.lineEdit("DBEdit2", "Prédio", 5);
    DBEdit3 = form.lineEdit("DBEdit3", "Depto.", 5);
    DBEdit4 = form.lineEdit("DBEdit4", "Sala", 5);
    const QList<std::pair<QLineEdit*, const char*>> fields = {
        {DBEdit1, "LOCODIGO"}, {DBEdit2, "LOPREDIO"}, {DBEdit3, "LODEPTO"}, {DBEdit4, "LOSALA"}};
    for (const auto& [edit, column] : fields) {
        binding().bindText(edit, QString::fromLatin1(column));
        addEditControl(edit, QString::fromLatin1(column));
    }
    addLabelsButton(dados, true);
}

}  // namespace ambitra::ui
