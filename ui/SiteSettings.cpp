#include "ui/SiteSettings.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>

#include <cstdio>

namespace vorlinda::ui::SiteSettings {

namespace {

struct Candidate
{
    const std::optional<std::string> *value;
    std::string source;
    std::string key;
    bool fatal;
};

// The first well-formed candidate's address; malformed ones are recorded.
std::optional<SiteAddress> first(const std::vector<Candidate> &candidates, Sites &sites)
{
    for (const Candidate &candidate : candidates) {
        if (!*candidate.value)
            continue;
        std::string why;
        if (auto address = SiteAddress::parse(**candidate.value, &why))
            return address;
        Malformed malformed{candidate.source, candidate.key, **candidate.value, why};
        if (candidate.fatal) {
            sites.fatal = std::move(malformed);
            return std::nullopt;
        }
        sites.skipped.push_back(std::move(malformed));
    }
    return std::nullopt;
}

// An empty variable counts as not set, as in the shell.
std::optional<std::string> variable(const char *name)
{
    if (qEnvironmentVariableIsEmpty(name))
        return std::nullopt;
    return qEnvironmentVariable(name).toStdString();
}

std::optional<std::string> fileValue(const QSettings &file, std::string_view key)
{
    const QVariant value = file.value(QString::fromLatin1(key.data(), qsizetype(key.size())));
    if (!value.isValid())
        return std::nullopt;
    // An unquoted comma makes the INI reader split the value into a list.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(',')).toStdString();
    return value.toString().toStdString();
}

File readFile(const QString &path)
{
    File file{path.toStdString(), {}, {}};
    if (!QFileInfo::exists(path))
        return file;
    const QSettings settings(path, QSettings::IniFormat);
    file.site = fileValue(settings, kSiteKey);
    file.vendorSite = fileValue(settings, kVendorSiteKey);
    return file;
}

const QString fileInFolder = QStringLiteral("/vorlinda-sozluk/vorlinda-sozluk.conf");

constexpr const char *kProgram = "vorlinda-sozluk";

// The program's options, as --help lists them.
struct Parser : QCommandLineParser
{
    Parser()
    {
        setApplicationDescription(QStringLiteral(
            "Vorlinda Sözlük, a desktop dictionary with a Turkish user interface.\n"
            "Each address is http://host[:port] or https://host[:port]; without the option, "
            "the variable (VORLINDA_SITE, VORLINDA_VENDOR_SITE) or the key (site, vendor-site) "
            "of ~/.config/vorlinda-sozluk/vorlinda-sozluk.conf, then of "
            "/etc/xdg/vorlinda-sozluk/vorlinda-sozluk.conf, gives it; else http://localhost."));
        addOption(site);
        addOption(vendorSite);
        // Qt's own --help-all would need the application object.
        addOption({{QStringLiteral("h"), QStringLiteral("help")},
                   QStringLiteral("Shows these options.")});
        addOption({{QStringLiteral("v"), QStringLiteral("version")},
                   QStringLiteral("Shows the version.")});
    }
    const QCommandLineOption site{QStringLiteral("site"),
                                  QStringLiteral("The dictionary site's address."),
                                  QStringLiteral("URL")};
    const QCommandLineOption vendorSite{
        QStringLiteral("vendor-site"),
        QStringLiteral("The vendor's site (banners, translation page, links); the dictionary "
                       "site's when not given."),
        QStringLiteral("URL")};
};

} // namespace

Sites resolve(const Sources &sources)
{
    Sites sites;
    std::vector<Candidate> site{{&sources.siteOption, "--site", "", true},
                                {&sources.siteVariable, "VORLINDA_SITE", "", true}};
    std::vector<Candidate> vendor{{&sources.vendorSiteOption, "--vendor-site", "", true},
                                  {&sources.vendorSiteVariable, "VORLINDA_VENDOR_SITE", "", true}};
    for (const File &file : sources.files) {
        site.push_back({&file.site, file.path, std::string(kSiteKey), false});
        vendor.push_back({&file.vendorSite, file.path, std::string(kVendorSiteKey), false});
    }
    sites.dictionary = first(site, sites).value_or(*SiteAddress::parse(kBuiltInSite));
    if (sites.fatal)
        return sites;
    sites.vendor = first(vendor, sites).value_or(sites.dictionary);
    return sites;
}

CommandLine parseCommandLine(const QStringList &arguments)
{
    Parser parser;
    CommandLine line;
    const auto wrong = [&line](const QString &what) {
        std::fprintf(stderr, "%s: %s\nTry '%s --help'.\n", kProgram, qPrintable(what), kProgram);
        line.exitCode = 2;
        return line;
    };
    if (!parser.parse(arguments))
        return wrong(parser.errorText());
    if (!parser.positionalArguments().isEmpty())
        return wrong(QStringLiteral("unexpected argument '%1'")
                         .arg(parser.positionalArguments().constFirst()));
    if (parser.isSet(parser.site))
        line.site = parser.value(parser.site).toStdString();
    if (parser.isSet(parser.vendorSite))
        line.vendorSite = parser.value(parser.vendorSite).toStdString();
    return line;
}

std::optional<int> answerEarly(const QStringList &arguments)
{
    Parser parser;
    parser.parse(arguments); // Qt's own options are not known here: no error yet
    if (parser.isSet(QStringLiteral("help"))) {
        QString text = parser.helpText();
        text.replace(QStringLiteral("<executable_name>"), QLatin1String(kProgram));
        std::fputs(text.toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        std::printf("%s %s\n", kProgram, qPrintable(QCoreApplication::applicationVersion()));
        return 0;
    }
    Sources sources;
    if (parser.isSet(parser.site))
        sources.siteOption = parser.value(parser.site).toStdString();
    if (parser.isSet(parser.vendorSite))
        sources.vendorSiteOption = parser.value(parser.vendorSite).toStdString();
    sources.siteVariable = variable("VORLINDA_SITE");
    sources.vendorSiteVariable = variable("VORLINDA_VENDOR_SITE");
    if (const auto fatal = resolve(sources).fatal) {
        std::fprintf(stderr, "%s\n", fatalMessage(*fatal).c_str());
        return 2;
    }
    return std::nullopt;
}

Sources gather(const CommandLine &commandLine)
{
    Sources sources;
    sources.siteOption = commandLine.site;
    sources.vendorSiteOption = commandLine.vendorSite;
    sources.siteVariable = variable("VORLINDA_SITE");
    sources.vendorSiteVariable = variable("VORLINDA_VENDOR_SITE");

    QString userFolder = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!QDir::isAbsolutePath(userFolder))
        userFolder = QDir::homePath() + QStringLiteral("/.config");
    sources.files.push_back(readFile(userFolder + fileInFolder));
    QString systemFolders = qEnvironmentVariable("XDG_CONFIG_DIRS");
    if (systemFolders.isEmpty())
        systemFolders = QStringLiteral("/etc/xdg");
    for (const QString &folder : systemFolders.split(QLatin1Char(':'), Qt::SkipEmptyParts))
        if (QDir::isAbsolutePath(folder))
            sources.files.push_back(readFile(folder + fileInFolder));
    return sources;
}

std::string fatalMessage(const Malformed &malformed)
{
    return "vorlinda-sozluk: " + malformed.source + " \"" + malformed.value +
           "\" is not a site address: " + malformed.why +
           " (write http://host[:port] or https://host[:port])";
}

QString skippedMessage(const Malformed &malformed)
{
    return QStringLiteral("%1 dosyasındaki \"%2\" ayarı bir site adresi değil: "
                          "\"%3\".\nAdres http://sunucu[:port] ya da https://sunucu[:port] "
                          "biçiminde yazılır; bu ayar atlandı.")
        .arg(QString::fromStdString(malformed.source), QString::fromStdString(malformed.key),
             QString::fromStdString(malformed.value));
}

} // namespace vorlinda::ui::SiteSettings
