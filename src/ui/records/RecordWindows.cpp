#include "ui/records/RecordWindows.h"

#include "app/TAbertura.h"
#include "ui/records/TBens.h"
#include "ui/records/TLocais.h"
#include "ui/records/TOperadores.h"

namespace ambitra::ui {

void registerRecordWindows(TAbertura& abertura, TDados& dados, Prompter& prompter) {
    auto area = [](const TAbertura& main) { return QSize(main.ChildWidth(), main.ChildHeight()); };
    abertura.setChildFactory(QStringLiteral("Operadores"),
                             [&dados, &prompter, area](TAbertura& main) {
                                 return new TOperadores(dados, prompter, area(main));
                             });
    abertura.setChildFactory(QStringLiteral("Locais"), [&dados, &prompter, area](TAbertura& main) {
        return new TLocais(dados, prompter, area(main));
    });
    abertura.setChildFactory(QStringLiteral("Bens"), [&dados, &prompter, area](TAbertura& main) {
        return new TBens(dados, prompter, area(main));
    });
}

}  // namespace ambitra::ui
