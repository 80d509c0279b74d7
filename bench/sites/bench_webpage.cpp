// The web page of a 24-megapixel plan with 50 lots: what it weighs, how long the export takes,
// and how long headless Chromium takes from the start of the navigation to the file URL until
// the whole picture is decoded and painted.
//   bench_webpage [runs]     medians of [runs] (7) runs, with the fastest and slowest
// The same page with the plan at full size, as pages were written before, is measured beside it.

#include "drawnplan.h"
#include "sites/webpage.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QUrl>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

QString chromium()
{
    return QStandardPaths::findExecutable(u"chromium"_s);
}

// Resolves with the time since the navigation began once the picture is decoded and two frames
// have been drawn with it.
const char timingScript[] = R"(<script>
window.firstPicture = new Promise((resolve) => {
  document.addEventListener('DOMContentLoaded', () => {
    const img = document.querySelector('img');
    const painted = () => img.decode().then(() =>
        requestAnimationFrame(() => requestAnimationFrame(() => resolve(performance.now()))));
    img.complete ? painted() : img.addEventListener('load', painted);
  });
});
</script>
)";

// Chromium driven through its DevTools protocol on file descriptors 3 and 4.
class DevToolsPipe
{
public:
    explicit DevToolsPipe(const QString &url)
    {
        int in[2], out[2];
        if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0)
            return;
        // Out of the way of 3 and 4, which the child's ends become.
        const int childIn = ::fcntl(in[0], F_DUPFD_CLOEXEC, 10);
        const int childOut = ::fcntl(out[1], F_DUPFD_CLOEXEC, 10);
        ::close(in[0]);
        ::close(out[1]);
        m_write = in[1];
        m_read = out[0];
        m_browser.setChildProcessModifier([childIn, childOut] {
            ::dup2(childIn, 3);
            ::dup2(childOut, 4);
        });
        m_profile.emplace();
        m_browser.start(chromium(),
            { u"--headless"_s, u"--no-sandbox"_s, u"--disable-gpu"_s, u"--no-first-run"_s,
                u"--disable-background-networking"_s, u"--disable-component-update"_s,
                u"--disable-sync"_s, u"--remote-debugging-pipe"_s,
                u"--user-data-dir="_s + m_profile->path(), u"--window-size=1280,900"_s, url });
        m_browser.waitForStarted();
        ::close(childIn);
        ::close(childOut);
    }

    ~DevToolsPipe()
    {
        call(u"Browser.close"_s, {});
        ::close(m_write);
        ::close(m_read);
        if (!m_browser.waitForFinished(10'000))
            m_browser.kill();
        m_browser.waitForFinished();
    }

    QJsonObject call(const QString &method, const QJsonObject &params, const QString &session = {})
    {
        QJsonObject message { { u"id"_s, ++m_id }, { u"method"_s, method },
            { u"params"_s, params } };
        if (!session.isEmpty())
            message.insert(u"sessionId"_s, session);
        const QByteArray bytes = QJsonDocument(message).toJson(QJsonDocument::Compact) + '\0';
        if (::write(m_write, bytes.constData(), bytes.size()) != bytes.size())
            return {};
        for (;;) {
            const qsizetype end = m_buffer.indexOf('\0');
            if (end < 0) {
                char chunk[65536];
                const ssize_t n = ::read(m_read, chunk, sizeof chunk);
                if (n <= 0)
                    return {};
                m_buffer.append(chunk, n);
                continue;
            }
            const QJsonObject reply = QJsonDocument::fromJson(m_buffer.left(end)).object();
            m_buffer.remove(0, end + 1);
            if (reply.value(u"id"_s).toInt() == m_id)
                return reply;
        }
    }

    // The page's time to its first full picture, in milliseconds.
    std::optional<double> firstPicture()
    {
        QString session;
        for (int tries = 0; session.isEmpty() && tries < 100; ++tries) {
            const QJsonArray targets =
                call(u"Target.getTargets"_s, {}).value(u"result"_s)[u"targetInfos"_s].toArray();
            for (const QJsonValue &target : targets) {
                if (target[u"type"_s] == u"page"_s)
                    session = call(u"Target.attachToTarget"_s,
                        { { u"targetId"_s, target[u"targetId"_s] }, { u"flatten"_s, true } })
                                  .value(u"result"_s)[u"sessionId"_s]
                                  .toString();
            }
            if (session.isEmpty())
                QThread::msleep(20);
        }
        const QString wait = u"new Promise((done) => { const f = () => window.firstPicture ? "
                             u"window.firstPicture.then(done) : setTimeout(f, 5); f(); })"_s;
        for (int tries = 0; tries < 100; ++tries) {
            const QJsonValue value = call(u"Runtime.evaluate"_s,
                { { u"expression"_s, wait }, { u"awaitPromise"_s, true },
                    { u"returnByValue"_s, true } },
                session)
                                         .value(u"result"_s)[u"result"_s][u"value"_s];
            if (value.isDouble())
                return value.toDouble();
            // The first page was still about:blank, whose context the navigation ended.
            QThread::msleep(20);
        }
        return std::nullopt;
    }

private:
    QProcess m_browser;
    std::optional<QTemporaryDir> m_profile;
    int m_write = -1, m_read = -1, m_id = 0;
    QByteArray m_buffer;
};

struct Spread
{
    double median, fastest, slowest;
};

Spread spread(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return { values[values.size() / 2], values.front(), values.back() };
}

QImage photograph()
{
    QImage image(6000, 4000, QImage::Format_RGB32);
    quint32 seed = 1;
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            seed = seed * 1664525 + 1013904223;
            const int grain = int(seed >> 28) - 8;
            const double field =
                std::sin(x / 97.0) * std::cos(y / 131.0) * 40 + std::sin((x + y) / 23.0) * 12;
            const int g = std::clamp(int(120 + field + grain), 0, 255);
            line[x] = qRgb(std::clamp(g - 30 + grain, 0, 255), g, std::clamp(g - 60, 0, 255));
        }
    }
    return image;
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    if (chromium().isEmpty())
        std::fprintf(stderr, "no Chromium: the page weights only\n");
    const DrawnPlan drawn = DrawnPlan::make();
    QList<WebPage::Area> areas;
    for (const DrawnPlan::Lot &lot : drawn.lots)
        areas.append({ lot.name, lot.coords });
    const std::pair<const char *, QImage> plans[] = { { "drawn plan", drawn.picture },
        { "drawn plan, few colours", DrawnPlan::make(false).picture },
        { "photograph", photograph() } };

    for (const auto &[name, picture] : plans) {
        QTemporaryDir dir;
        // The plan file as a person has it: a good JPEG.
        const QString planPath = dir.filePath(u"plan.jpg"_s);
        picture.save(planPath, "JPEG", 92);
        const QString page = dir.filePath(u"page.html"_s);
        QList<double> exports;
        for (int run = 0; run < std::min(runs, 5); ++run) {
            QElapsedTimer timer;
            timer.start();
            WebPage::write(page, u"Plan"_s, planPath, picture, areas, u"#{id}"_s);
            exports.append(timer.nsecsElapsed() / 1e6);
        }
        qint64 weight = 0;
        for (const QFileInfo &file : QDir(dir.path()).entryInfoList(QDir::Files))
            weight += file.fileName() == u"plan.jpg"_s ? 0 : file.size();
        const QFileInfo shown(QDir(dir.path()).entryList({ u"plan-web.*"_s }).value(0));
        QFile fullPage(dir.filePath(u"full.html"_s));
        fullPage.open(QIODevice::WriteOnly);
        fullPage.write(WebPage::html(u"Plan"_s, u"plan.jpg"_s, picture.size(), areas, u"#{id}"_s));
        fullPage.close();
        const qint64 fullWeight = fullPage.size() + QFileInfo(planPath).size();
        const Spread exported = spread(exports);
        std::printf("%-24s page and picture (%s) %.2f MB; at full size %.2f MB; export %.0f ms "
                    "(%.0f-%.0f)\n",
            name, qPrintable(shown.fileName()), weight / 1e6, fullWeight / 1e6, exported.median,
            exported.fastest, exported.slowest);
        if (chromium().isEmpty())
            continue;
        for (const QString &file : { u"page.html"_s, u"full.html"_s }) {
            QFile source(dir.filePath(file));
            source.open(QIODevice::ReadOnly);
            QByteArray html = source.readAll();
            html.replace("</head>", QByteArray(timingScript) + "</head>");
            const QString probe = dir.filePath(u"probe-"_s + file);
            QFile out(probe);
            out.open(QIODevice::WriteOnly);
            out.write(html);
            out.close();
            QList<double> times;
            for (int run = 0; run < runs; ++run) {
                DevToolsPipe browser(QUrl::fromLocalFile(probe).toString());
                if (const std::optional<double> ms = browser.firstPicture())
                    times.append(*ms);
            }
            if (times.isEmpty()) {
                std::printf("  %s: the browser gave no time\n", qPrintable(file));
                continue;
            }
            const Spread t = spread(times);
            std::printf("  %-10s first full picture %.0f ms (%.0f-%.0f) in %lld runs\n",
                file == u"page.html"_s ? "page" : "full size", t.median, t.fastest, t.slowest,
                qlonglong(times.size()));
        }
    }
    return 0;
}
