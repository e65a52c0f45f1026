#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include "command/service_address.h"

using lexiquill::command::serviceAddress;

namespace {

void setSetting(QSettings::Scope scope, const QString& url)
{
    QSettings settings(QSettings::NativeFormat, scope, "lexiquill", "lexiquill");
    settings.setFallbacksEnabled(false);
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
        // The user's settings follow XDG_CONFIG_HOME; the system's folder is moved
        // into the test's own folder.
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_folder.filePath("user")));
        QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope,
                           m_folder.filePath("system"));
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
        setSetting(QSettings::UserScope, user.isEmpty() ? QString() : user);
        setSetting(QSettings::SystemScope, system.isEmpty() ? QString() : system);
        if (!user.isEmpty())
            QVERIFY(QFile::exists(m_folder.filePath("user/lexiquill/lexiquill.conf")));
        const auto address = serviceAddress(option);
        QTEST(address.url, "url");
        QTEST(address.problem, "problem");
    }
};

QTEST_GUILESS_MAIN(TestServiceAddress)
#include "tst_service_address.moc"
