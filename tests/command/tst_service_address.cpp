#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include "command/service_address.h"

using lexiquill::command::serviceAddress;

namespace {

void setSetting(QSettings&& settings, const QString& url)
{
    if (url.isNull()) {
        settings.remove("mnemonic/serviceUrl");
    } else {
        settings.setValue("mnemonic/serviceUrl", url);
    }
    settings.sync();
}

}  // namespace

class TestServiceAddress : public QObject {
    Q_OBJECT

    QTemporaryDir m_folder;

private slots:
    void initTestCase()
    {
        // The user's settings follow XDG_CONFIG_HOME; the system's are in the second of
        // two folders of XDG_CONFIG_DIRS, as desktops list them, and the first has none.
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_folder.filePath("user")));
        qputenv("XDG_CONFIG_DIRS",
                QFile::encodeName(m_folder.filePath("first") + ":" + m_folder.filePath("system")));
    }

    QString systemFile(const QString& folder)
    {
        return m_folder.filePath(folder + "/lexiquill/lexiquill.conf");
    }

    void firstSetSourceWins_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("environment");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("system");
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("problem");
        const QString a = "http://a.test:1", b = "http://b.test:2", c = "https://c.test",
                      d = "http://[::1]:4";
        QTest::newRow("the option before everything") << a << b << c << d << a << "";
        QTest::newRow("the environment before the settings") << "" << b << c << d << b << "";
        QTest::newRow("the user's settings before the system's") << ""
                                                                 << "" << c << d << c << "";
        QTest::newRow("the system's settings before the default") << ""
                                                                  << ""
                                                                  << "" << d << d << "";
        QTest::newRow("nothing set gives the built-in default")
            << ""
            << ""
            << ""
            << "" << LEXIQUILL_MNEMONIC_BASE_URL << "";
        QTest::newRow("a blank value counts as not set") << " "
                                                         << ""
                                                         << "" << d << d << "";
        QTest::newRow("a trailing slash is dropped") << "" << b + "/"
                                                     << ""
                                                     << "" << b << "";
        QTest::newRow("a malformed first source is reported, not skipped")
            << ""
            << "mnemonics.test" << c << ""
            << "mnemonics.test"
            << "The mnemonic service address 'mnemonics.test' (from LEXIQUILL_SERVICE_URL) is "
               "not a valid URL.";
        QTest::newRow("another scheme")
            << "ftp://a.test"
            << ""
            << ""
            << ""
            << "ftp://a.test"
            << "The mnemonic service address 'ftp://a.test' (from --service) is not an http or "
               "https address.";
        QTest::newRow("port 0 reaches nothing")
            << "http://127.0.0.1:0"
            << ""
            << ""
            << ""
            << "http://127.0.0.1:0"
            << "The mnemonic service address 'http://127.0.0.1:0' (from --service) is not usable: "
               "its port is outside 1 to 65535.";
        QTest::newRow("a path is refused rather than dropped")
            << ""
            << ""
            << "http://a.test/mnemonics"
            << ""
            << "http://a.test/mnemonics"
            << "The mnemonic service address 'http://a.test/mnemonics' (from the user's "
               "settings) is more than a scheme, a host and a port.";
    }

    void firstSetSourceWins()
    {
        QFETCH(QString, option);
        QFETCH(QString, environment);
        QFETCH(QString, user);
        QFETCH(QString, system);
        qputenv("LEXIQUILL_SERVICE_URL", environment.toUtf8());
        setSetting(
            QSettings(QSettings::NativeFormat, QSettings::UserScope, "lexiquill", "lexiquill"),
            user.isEmpty() ? QString() : user);
        setSetting(QSettings(systemFile("system"), QSettings::IniFormat),
                   system.isEmpty() ? QString() : system);
        if (!user.isEmpty())
            QVERIFY(QFile::exists(m_folder.filePath("user/lexiquill/lexiquill.conf")));
        const auto address = serviceAddress(option);
        QTEST(address.url, "url");
        QTEST(address.problem, "problem");
    }

    void theFirstSystemFolderWithTheFileWins()
    {
        qputenv("LEXIQUILL_SERVICE_URL", "");
        QFile::remove(m_folder.filePath("user/lexiquill/lexiquill.conf"));
        setSetting(QSettings(systemFile("first"), QSettings::IniFormat), "http://first.test");
        setSetting(QSettings(systemFile("system"), QSettings::IniFormat), "http://second.test");
        QCOMPARE(serviceAddress("").url, "http://first.test");
    }
};

QTEST_GUILESS_MAIN(TestServiceAddress)
#include "tst_service_address.moc"
