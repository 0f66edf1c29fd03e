// Quillet_tester: creates the main window (which loads the instruments kept
// beside the executable), the settings window and the single-pair window,
// shows only the main window and runs the event loop.

#include "ui/Dialogs.h"
#include "ui/Unit1.h"
#include "ui/Unit2.h"
#include "ui/Unit3.h"

#include <QApplication>
#include <QLocale>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillet_tester"));
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    quillet::ui::InstallQtTranslations(app);

    TForm1 form1;
    TForm2 form2;
    TForm3 form3;
    form1.SetSettingsWindow(&form2);
    form1.show();
    return app.exec();
}
