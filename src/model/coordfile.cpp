#include "model/coordfile.h"

#include "model/editorview.h"
#include "model/hotspottable.h"
#include "model/maptext.h"
#include "platform/apperror.h"
#include "platform/prompts.h"
#include "platform/settingskeys.h"
#include "platform/settingsstore.h"
#include "platform/textfile.h"

using namespace Qt::StringLiterals;

namespace {

QString numberAndDescription(const AppError &e)
{
    return QString::number(e.number) + u' ' + e.description;
}

void createEmptyMapFile(const QString &path)
{
    TextFileWriter out(path);
    out.writeLine(MapFormat::header());
    out.writeLine(MapFormat::footer());
    out.commit();
}

// Reads the file into the table; throws AppError when it cannot be opened.
void readLines(const QString &path, HotSpotTable &table, Prompts &prompts)
{
    table.resetCount();
    TextFileReader in(path);
    if (in.atEnd()) {
        prompts.message(path + u" missing !"_s);
        return;
    }
    table.beginRead(in.readLine());
    const QString footer = MapFormat::footer();
    UnreadableLines unreadable(prompts);
    try {
        while (!in.atEnd()) {
            const QString line = in.readLine();
            if (line == footer)
                break;
            ParseCoordFileLine(line, table, unreadable);
            table.appendReadLine(line);
        }
    } catch (...) {
        // The lines counted so far are told before the error that ended the read.
        unreadable.finish(path);
        throw;
    }
    unreadable.finish(path);
}

// Position (1-based) of the first double quote in text, or 0. Not limited to 16 bits: the
// writer saves lists of any length, and the reader must take back everything it wrote.
qsizetype quotePosition(QStringView text)
{
    return text.indexOf(u'"') + 1;
}

// The text before the first double quote; a missing quote is an invalid call.
QString textBeforeQuote(QStringView text, qsizetype position)
{
    if (position < 1)
        throw AppError::fromNumber(ErrorNumber::InvalidCall);
    return text.left(position - 1).toString();
}

// Parses one line; returns the message for a line that cannot be read, or the empty text.
QString parseLine(const QString &line, HotSpotTable &table)
{
    try {
        const int slot = table.claimReadSlot();

        QStringView rest(line);
        rest = rest.mid(quotePosition(rest));
        qsizetype position = quotePosition(rest);
        table.storeReadCoords(slot, textBeforeQuote(rest, position));
        rest = rest.mid(position);
        rest = rest.mid(quotePosition(rest));
        position = quotePosition(rest);
        table.storeReadName(slot, textBeforeQuote(rest, position));
    } catch (const AppError &e) {
        return u"ParseCoordFileLine_ERR: "_s + numberAndDescription(e);
    }
    return {};
}

} // namespace

void ParseCoordFileLine(const QString &line, HotSpotTable &table, Prompts &prompts)
{
    const QString message = parseLine(line, table);
    if (!message.isEmpty())
        prompts.message(message);
}

void ParseCoordFileLine(const QString &line, HotSpotTable &table, UnreadableLines &unreadable)
{
    const QString message = parseLine(line, table);
    if (!message.isEmpty())
        unreadable.report(message);
}

void UnreadableLines::report(const QString &message)
{
    if (++m_seen <= Shown)
        m_prompts.message(message);
}

void UnreadableLines::finish(const QString &path)
{
    if (m_seen > Shown) {
        m_prompts.message(
            QString::number(m_seen - Shown) + u" more lines of "_s + path + u" could not be read"_s,
            Prompts::Buttons::Ok, Prompts::Icon::None, Prompts::productName());
    }
    m_seen = 0;
}

void ReadCoordFile(const QString &path, HotSpotTable &table, Prompts &prompts,
    SettingsStore &settings, EditorView &view)
{
    bool created = false;
    for (;;) {
        try {
            readLines(path, table, prompts);
            return;
        } catch (const AppError &e) {
            switch (e.number) {
            case ErrorNumber::FileNotFound:
                if (path.isEmpty()) {
                    prompts.message(numberAndDescription(e) + u" File:"_s);
                    settings.WriteSetting(
                        SettingsKeys::Section, SettingsKeys::CoordFile, QString());
                    view.setHotSpotFileText(QString());
                    return;
                }
                if (!created) {
                    // A first run: start the map file. Failing to create it is the caller's
                    // to report.
                    createEmptyMapFile(path);
                    created = true;
                    continue;
                }
                // The file vanished right after it was made: report it rather than loop.
                prompts.message(numberAndDescription(e) + u" File:"_s + path);
                view.setHotSpotFileText(QString());
                return;
            case ErrorNumber::PathFileAccess:
                prompts.message(numberAndDescription(e) + u" File:"_s + path);
                view.setHotSpotFileText(QString());
                return;
            case ErrorNumber::PathNotFound:
                prompts.message(
                    QString::number(e.number) + u" MAP HOTSPOTS File not Found:"_s + path);
                view.setHotSpotFileText(QString());
                return;
            default:
                prompts.message(numberAndDescription(e));
                return;
            }
        }
    }
}

bool WriteCoordFile(
    const QString &path, const HotSpotTable &table, Prompts &prompts, SettingsStore &settings)
{
    try {
        TextFileWriter out(path);
        out.writeLine(MapFormat::header());
        table.forEachHotSpot([&](int slot, const QString &, const QString &) {
            out.writeLine(table.BuildAreaLine(slot));
        });
        out.writeLine(MapFormat::footer());
        out.commit();
    } catch (const AppError &e) {
        if (e.number == ErrorNumber::PathNotFound)
            prompts.message(QString::number(e.number) + u" No HOTSPOT File Setup yet:"_s + path);
        else if (e.number == ErrorNumber::PathFileAccess)
            prompts.message(numberAndDescription(e) + u" FILE:"_s + path);
        else
            prompts.message(u"WriteCoordFile_ERR: "_s + numberAndDescription(e));
        return false;
    }
    settings.WriteSetting(SettingsKeys::Section, SettingsKeys::NumLinesInCoordFile,
        QString::number(table.HotSpotCount()));
    return true;
}
