#include "ui/Project1.h"

#include "ui/ErrorBox.h"
#include "ui/Icons.h"
#include "ui/SiteSettings.h"
#include "ui/TApplication.h"
#include "ui/TForm1.h"
#include "webview/TWebBrowser.h"

#include <QFileInfo>
#include <QMessageBox>
#include <cstdio>
#include <cstdlib>
#include <cxxabi.h>
#include <memory>
#include <typeinfo>

namespace vorlinda::ui {

namespace {

QString className(const std::exception &failure)
{
    int status = 0;
    std::unique_ptr<char, decltype(&std::free)> name(
        abi::__cxa_demangle(typeid(failure).name(), nullptr, nullptr, &status), &std::free);
    return QString::fromUtf8(status == 0 && name ? name.get() : typeid(failure).name());
}

} // namespace

bool createMainWindow(const std::function<TForm1 *()> &createWindow)
{
    try {
        Form1 = createWindow();
    } catch (const std::exception &failure) {
        const QString module = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
        // A C++ failure carries no code address: the box leaves it out.
        ErrorBox::showApplicationError(ErrorBox::applicationErrorText(
            className(failure), module, nullptr, ErrorBox::messageOf(failure)));
        return false;
    }
    // The create event: a failure here is shown and start-up goes on.
    ErrorBox::guard([] { Form1->FormCreate(Form1); });
    return true;
}

namespace {

// The sites from the command line, the environment and the settings files.
// Gives false, with the message on stderr, when the program must end with
// exit code 2.
bool takeSites(TForm1::Settings &settings)
{
    const SiteSettings::CommandLine line =
        SiteSettings::parseCommandLine(QCoreApplication::arguments());
    if (line.exitCode)
        return false;
    const SiteSettings::Sites sites = SiteSettings::resolve(SiteSettings::gather(line));
    if (sites.fatal) {
        std::fprintf(stderr, "%s\n", SiteSettings::fatalMessage(*sites.fatal).c_str());
        return false;
    }
    for (const SiteSettings::Malformed &skipped : sites.skipped)
        QMessageBox::warning(nullptr, ErrorBox::applicationTitle,
                             SiteSettings::skippedMessage(skipped));
    settings.dictionaryHost = sites.dictionary.host;
    settings.dictionaryPort = sites.dictionary.port;
    settings.dictionarySecure = sites.dictionary.secure;
    settings.vendorHost = QString::fromStdString(sites.vendor.authority());
    settings.vendorSecure = sites.vendor.secure;
    return true;
}

} // namespace

bool engineCanStart()
{
    const QString problem = webview::TWebBrowser::engineStartProblem();
    if (!problem.isEmpty())
        ErrorBox::show(problem);
    return problem.isEmpty();
}

int Project1(int argc, char *argv[])
{
    // --help, --version and a malformed address answer without a display.
    QCoreApplication::setApplicationVersion(QStringLiteral(VORLINDA_VERSION));
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (const auto code = SiteSettings::answerEarly(arguments))
        return *code;

    // The engine's set-up must be known before the application object
    // exists. (Windows needs a COM apartment here; Linux has nothing more to
    // set up.)
    using vorlinda::webview::TWebBrowser;
    TWebBrowser::setUpEngine();

    TApplication application(argc, argv);
    // The application's own name, as the desktop shows it; no display name is
    // set, so Qt adds nothing to the window's caption.
    QApplication::setApplicationName(ErrorBox::applicationTitle);
    QGuiApplication::setDesktopFileName(QStringLiteral("vorlinda-sozluk"));
    QApplication::setWindowIcon(Icons::applicationIcon());

    TForm1::Settings settings = TForm1::defaultSettings();
    if (!takeSites(settings))
        return 2;
    if (!engineCanStart() || !createMainWindow([&settings] { return new TForm1(settings); }))
        return 1;

    // Linux passes no start-up show command: the window is shown normally and
    // becomes the active window.
    Form1->show();
    Form1->activateWindow();
    Form1->raise();

    const int code = application.exec();
    delete Form1;
    Form1 = nullptr;
    return code;
}

} // namespace vorlinda::ui
