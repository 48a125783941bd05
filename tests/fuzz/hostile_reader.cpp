// Sends hostile pages through the real page reader process and checks that this process survives them and
// that the reader still reads a known page after each one (a new reader after a death).
//
//   hostile_reader --seconds N [--seed S] [--keep FOLDER]
//       generates pages for N seconds (deep nesting of every kind, a select opened in a table above a foreign
//       select, huge and many attributes, node floods, broken encodings, mutated result pages) and prints its
//       figures; every page that ended a reader is saved in FOLDER, named by how the reader ended.
//   hostile_reader --replay FOLDER...
//       sends every file in the folders (the corpus and the kept pages) through the reader; a first byte
//       below 0x20 gives the length of a Content-Type charset label that follows, as in the fuzz target's
//       inputs, and a file named *.qz is compressed (qCompress).
// Exit status 0 when every reader answered or ended with a known outcome and every check page read; 1 when a
// reader answered garbage or a check page failed; 2 for bad arguments.
#include "engine/EngineScanners.h"
#include "pages/PageReader.h"
#include "pages/PageReaderProcess.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>

#include <array>
#include <cstdio>
#include <functional>
#include <map>

namespace {

using namespace quorvane;

QByteArray repeated(const QByteArray& piece, qsizetype times) {
    return piece.repeated(times);
}

// A small Bing result page of the period with three results: read after every hostile page, it shows that the
// reader (or its successor) still reads pages.
QByteArray checkPage() {
    QByteArray page = "<html><body><ol id=b_results>";
    for (int i = 1; i <= 3; ++i)
        page += "<li class=b_algo><h2><a href=\"http://site" + QByteArray::number(i) +
                ".example/\">r</a></h2></li>";
    return page + "</ol></body></html>";
}

using Generator = std::function<QByteArray(QRandomGenerator&)>;

QByteArray randomTag(QRandomGenerator& rng) {
    static const std::array<const char*, 40> kTags{"div",      "a",
                                                   "b",        "i",
                                                   "font",     "table",
                                                   "tr",       "td",
                                                   "th",       "tbody",
                                                   "select",   "option",
                                                   "svg",      "math",
                                                   "mi",       "mo",
                                                   "mtext",    "foreignObject",
                                                   "desc",     "title",
                                                   "p",        "li",
                                                   "ul",       "form",
                                                   "template", "frameset",
                                                   "frame",    "nobr",
                                                   "button",   "ruby",
                                                   "rt",       "caption",
                                                   "colgroup", "col",
                                                   "textarea", "script",
                                                   "style",    "plaintext",
                                                   "xmp",      "annotation-xml"};
    return kTags[rng.bounded(static_cast<quint32>(kTags.size()))];
}

QByteArray tagSoup(QRandomGenerator& rng, int tags) {
    QByteArray page;
    for (int i = 0; i < tags; ++i) {
        const quint32 kind = rng.bounded(10);
        const QByteArray tag = randomTag(rng);
        if (kind < 6)
            page += '<' + tag + '>';
        else if (kind < 8)
            page += "</" + tag + '>';
        else if (kind < 9)
            page += "x";
        else
            page += '<' + tag + " a=\"" + QByteArray::number(rng.generate()) + "\">";
    }
    return page;
}

const std::vector<std::pair<const char*, Generator>>& generators() {
    static const std::vector<std::pair<const char*, Generator>> kGenerators{
        {"deep unclosed divs",
         [](QRandomGenerator& rng) -> QByteArray { return repeated("<div>", 1000 + rng.bounded(100'000)); }},
        {"deep formatting",
         [](QRandomGenerator& rng) -> QByteArray {
             return repeated("<b><i><font>", 1000 + rng.bounded(100'000)) + "x";
         }},
        {"deep tables",
         [](QRandomGenerator& rng) -> QByteArray {
             return repeated("<table><tr><td>", 1000 + rng.bounded(100'000));
         }},
        {"deep foreign content",
         [](QRandomGenerator& rng) -> QByteArray {
             return repeated(rng.bounded(2) ? "<svg><g>" : "<math><mrow>", 1000 + rng.bounded(200'000));
         }},
        {"select in a table above a foreign select",
         [](QRandomGenerator& rng) -> QByteArray {
             const QByteArray foreign = rng.bounded(2) ? "svg" : "math";
             QByteArray page = "<table><" + foreign + "><select><mi><select><th>";
             return rng.bounded(2) ? tagSoup(rng, 20) + page + tagSoup(rng, 20) : page;
         }},
        {"huge attribute",
         [](QRandomGenerator& rng) -> QByteArray {
             return "<div title=\"" + repeated("x", 1 + rng.bounded(8 * 1024 * 1024)) + "\">a</div>";
         }},
        {"many attributes",
         [](QRandomGenerator& rng) -> QByteArray {
             QByteArray page = "<div ";
             const quint32 count = 1000 + rng.bounded(100'000);
             for (quint32 i = 0; i < count; ++i)
                 page += 'a' + QByteArray::number(i) + "=1 ";
             return page + ">x</div>";
         }},
        {"node flood",
         [](QRandomGenerator& rng) -> QByteArray {
             return repeated(rng.bounded(2) ? "<br>" : "<td>", 100'000 + rng.bounded(2'000'000));
         }},
        {"broken encoding",
         [](QRandomGenerator& rng) -> QByteArray {
             static const std::array<const char*, 8> kLabels{
                 "utf-16", "utf-16be", "gbk", "gb18030", "shift_jis", "iso-2022-jp", "utf-32", "x-nonsense"};
             const QByteArray label = kLabels[rng.bounded(static_cast<quint32>(kLabels.size()))];
             QByteArray body(static_cast<qsizetype>(rng.bounded(200'000)), Qt::Uninitialized);
             for (char& c : body)
                 c = static_cast<char>(rng.bounded(256));
             // A label as the header gives it, or one in a meta tag, or a byte-order mark.
             switch (rng.bounded(3)) {
             case 0:
                 return char(label.size()) + label + body;
             case 1:
                 return "<meta charset=" + label + ">" + body;
             default:
                 return QByteArray(rng.bounded(2) ? "\xFF\xFE" : "\xEF\xBB\xBF") + body;
             }
         }},
        {"tag soup",
         [](QRandomGenerator& rng) -> QByteArray { return tagSoup(rng, 10 + rng.bounded(5000)); }},
        {"mutated result page",
         [](QRandomGenerator& rng) -> QByteArray {
             QByteArray page = checkPage().repeated(1 + rng.bounded(50));
             const quint32 edits = 1 + rng.bounded(50);
             for (quint32 i = 0; i < edits; ++i) {
                 const qsizetype at = rng.bounded(static_cast<quint32>(page.size()));
                 if (rng.bounded(2))
                     page.insert(at, tagSoup(rng, 1 + rng.bounded(10)));
                 else
                     page[at] = static_cast<char>(rng.bounded(256));
             }
             return page;
         }},
    };
    return kGenerators;
}

QString endName(const PageReaderReply& reply) {
    switch (reply.end) {
    case ReaderEnd::Read:
        return QStringLiteral("read");
    case ReaderEnd::Crashed:
        return QStringLiteral("signal-%1").arg(reply.signal);
    case ReaderEnd::OutOfMemory:
        return QStringLiteral("out-of-memory");
    case ReaderEnd::TimedOut:
        return QStringLiteral("timed-out");
    case ReaderEnd::ProtocolError:
        return QStringLiteral("protocol-error");
    }
    return {};
}

class Harness {
public:
    explicit Harness(QString keep)
        : keep_(std::move(keep)) {}

    // Sends one page and then the check page; false when something failed that must not.
    bool send(const QByteArray& input, const QString& origin) {
        QByteArrayView page(input);
        QByteArray label;
        if (!page.isEmpty() && static_cast<unsigned char>(page.front()) < 0x20) {
            const qsizetype length = std::min<qsizetype>(page.front(), page.size() - 1);
            label = page.sliced(1, length).toByteArray();
            page = page.sliced(1 + length);
        }
        const PageReaderReply reply = readEnginePage(reader_, u"Bing", {page.toByteArray(), label});
        ++sent_;
        const QString end = endName(reply);
        ++ends_[end];
        bool ok = reply.end != ReaderEnd::ProtocolError;
        if (!reply.read()) {
            std::printf("reader ended: %s on %s (%lld bytes)\n", qPrintable(end), qPrintable(origin),
                        static_cast<long long>(input.size()));
            std::fflush(stdout);
            keep(input, end);
        }
        const PageReaderReply check = readEnginePage(reader_, u"Bing", {checkPage(), {}});
        if (!check.read() || check.reading.results.size() != 3) {
            std::printf("the check page after %s was not read: %s\n", qPrintable(origin),
                        qPrintable(endName(check)));
            ok = false;
        }
        return ok;
    }

    void report(qint64 ms) const {
        std::printf("pages sent: %lld in %lld s; reader starts: %d; inputs kept: %d\n",
                    static_cast<long long>(sent_), static_cast<long long>(ms / 1000), reader_.starts(),
                    kept_);
        for (const auto& [end, count] : ends_)
            std::printf("  %s: %lld\n", qPrintable(end), static_cast<long long>(count));
        std::fflush(stdout);
    }

private:
    // Large inputs (floods and deep nesting, which compress well) are kept compressed (".qz", qCompress).
    void keep(const QByteArray& input, const QString& end) {
        if (keep_.isEmpty())
            return;
        QDir().mkpath(keep_);
        const bool compress = input.size() > kKeptPlainBytes;
        const QString name =
            end + u'-' +
            QString::fromLatin1(QCryptographicHash::hash(input, QCryptographicHash::Sha1).toHex().left(12)) +
            (compress ? QStringLiteral(".qz") : QString());
        QFile file(QDir(keep_).filePath(name));
        if (file.exists())
            return;
        const QByteArray bytes = compress ? qCompress(input, 9) : input;
        if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size())
            ++kept_;
    }

    static constexpr qsizetype kKeptPlainBytes = 64 * 1024;

    PageReader reader_;
    QString keep_;
    qint64 sent_ = 0;
    int kept_ = 0;
    std::map<QString, qint64> ends_;
};

int usage() {
    std::fprintf(stderr, "usage: hostile_reader --seconds N [--seed S] [--keep FOLDER]\n"
                         "       hostile_reader --replay FOLDER...\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    if (const std::optional<int> readerExit = runPageReaderIfAsked(argc, argv))
        return *readerExit;
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    qint64 seconds = -1;
    quint32 seed = QRandomGenerator::global()->generate();
    QString keep;
    QStringList replay;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == u"--seconds" && hasValue)
            seconds = args[++i].toLongLong();
        else if (a == u"--seed" && hasValue)
            seed = args[++i].toUInt();
        else if (a == u"--keep" && hasValue)
            keep = args[++i];
        else if (a == u"--replay")
            replay = args.mid(i + 1), i = args.size();
        else
            return usage();
    }
    if (seconds < 0 && replay.isEmpty())
        return usage();

    Harness harness(keep);
    QElapsedTimer clock;
    clock.start();
    bool ok = true;
    if (!replay.isEmpty()) {
        for (const QString& folder : replay) {
            int files = 0;
            QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
            while (it.hasNext()) {
                QFile file(it.next());
                if (!file.open(QIODevice::ReadOnly))
                    return usage();
                const QByteArray bytes = file.readAll();
                ok = harness.send(file.fileName().endsWith(u".qz") ? qUncompress(bytes) : bytes,
                                  file.fileName()) &&
                     ok;
                ++files;
            }
            if (files == 0) {
                std::fprintf(stderr, "no inputs in %s\n", qPrintable(folder));
                return 1;
            }
        }
    } else {
        std::printf("seed %u\n", seed);
        QRandomGenerator rng(seed);
        const auto& kinds = generators();
        qint64 lastReport = 0;
        while (clock.elapsed() < seconds * 1000) {
            const auto& [name, generate] = kinds[rng.bounded(static_cast<quint32>(kinds.size()))];
            ok = harness.send(generate(rng), QString::fromLatin1(name)) && ok;
            if (clock.elapsed() - lastReport > 600'000) {
                lastReport = clock.elapsed();
                harness.report(lastReport);
            }
        }
    }
    harness.report(clock.elapsed());
    return ok ? 0 : 1;
}
