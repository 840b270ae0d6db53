#include "ui/records/RecordWindows.h"

#include "ui/records/TBens.h"
#include "ui/records/TLocais.h"
#include "ui/records/TOperadores.h"
#include "ui/widgets/ChildWindows.h"

namespace ambitra::ui {

void registerRecordWindows(ChildWindows& windows, TDados& dados, Prompter& prompter) {
    windows.setChildFactory(QStringLiteral("Operadores"), [&dados, &prompter](QSize area) {
        return new TOperadores(dados, prompter, area);
    });
    windows.setChildFactory(QStringLiteral("Locais"), [&dados, &prompter](QSize area) {
        return new TLocais(dados, prompter, area);
    });
    windows.setChildFactory(QStringLiteral("Bens"), [&dados, &prompter](QSize area) {
        return new TBens(dados, prompter, area);
    });
}

}  // namespace ambitra::ui
