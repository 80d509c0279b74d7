#include "headlesschromium.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>

using namespace Qt::StringLiterals;

QString HeadlessChromium::executable()
{
    for (const QString &name : { u"chromium"_s, u"chromium-browser"_s }) {
        const QString path = QStandardPaths::findExecutable(name);
        if (!path.isEmpty())
            return path;
    }
    return {};
}

std::optional<QString> HeadlessChromium::dumpDom(const QString &page, QSize window)
{
    const QString program = executable();
    QTemporaryDir profile;
    if (program.isEmpty() || !profile.isValid())
        return std::nullopt;
    // A new empty profile and nothing that reaches out to the network; tests run as root in CI,
    // where the browser's sandbox cannot start.
    const QStringList arguments { u"--headless"_s, u"--no-sandbox"_s, u"--disable-gpu"_s,
        u"--disable-quic"_s, u"--no-first-run"_s, u"--disable-background-networking"_s,
        u"--disable-component-update"_s, u"--disable-sync"_s,
        u"--user-data-dir="_s + profile.path(), u"--virtual-time-budget=2000"_s,
        u"--window-size=%1,%2"_s.arg(window.width()).arg(window.height()), u"--dump-dom"_s,
        QUrl::fromLocalFile(page).toString() };
    QProcess browser;
    browser.setProcessChannelMode(QProcess::SeparateChannels);
    browser.start(program, arguments);
    if (!browser.waitForFinished(120'000)) {
        browser.kill();
        browser.waitForFinished();
        return std::nullopt;
    }
    if (browser.exitStatus() != QProcess::NormalExit || browser.exitCode() != 0)
        return std::nullopt;
    return QString::fromUtf8(browser.readAllStandardOutput());
}
