// Quillet_tester: creates the main window (which loads the instruments kept
// in the program's folder: beside the executable, or the user's data folder
// when installed), the settings window and the single-pair window, shows
// only the main window and runs the event loop.

#include "store/Startup.h"
#include "ui/Dialogs.h"
#include "ui/Unit1.h"
#include "ui/Unit2.h"
#include "ui/Unit3.h"

#include <QApplication>
#include <QIcon>
#include <QLocale>

#include <exception>
#include <string>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillet_tester"));
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    quillet::ui::InstallQtTranslations(app);

    // The launcher's icon, from the icon theme when the program is installed.
    QApplication::setWindowIcon(QIcon::fromTheme(QString::fromLatin1(quillet::kAppId)));
    QGuiApplication::setDesktopFileName(QString::fromLatin1(quillet::kAppId));

    std::string dataDir;
    try {
        dataDir = quillet::DataDir();
    } catch (const std::exception& e) {
        quillet::ui::ShowError(nullptr, QString::fromStdString(e.what()));
        return 1;
    }

    TForm1 form1(dataDir);
    TForm2 form2;
    TForm3 form3;
    form1.SetSettingsWindow(&form2);
    form1.show();
    return app.exec();
}
