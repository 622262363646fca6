// The flight record: the exact text of rows, the writer on a real file system (an existing
// file is never touched, a failing write leaves whole rows), and the reader on good and
// malformed records.

#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>
#include <cstring>
#include <limits>

#include "FlightRecord.h"
#include "RecordReader.h"
#include "TrackState.h"

using namespace tracking;

namespace {

qint64 utc(const char* iso)
{
    return QDateTime::fromString(QString::fromLatin1(iso), Qt::ISODateWithMs).toMSecsSinceEpoch();
}

const QByteArray kFullRow =
    "2026-12-08T21:11:15.123Z,udp,123.4568,0.0000,41.5678901,-3.7654321,120.50,41.5000000,"
    "-3.7000000,100.00,71.2901,52.7269,62.83,38.05,12.3457,255,12.346,0.0\n";
const QByteArray kUnknownsRow = "1970-01-01T00:00:00.000Z,,,,,,,,,,,,,,,0,,\n";
const QByteArray kNoDirectionRow =
    "2026-12-08T21:11:15.123Z,com,360.0000,-90.0000,-0.0000001,179.9999999,-12.25,-0.0000001,"
    "179.9999999,-12.25,,,0.00,0.00,,-9223372036854775808,-1.000,-40.0\n";

/// `row` with cell `column` replaced by `text`.
QByteArray withCell(const QByteArray& row, int column, const QByteArray& text)
{
    QList<QByteArray> cells = row.chopped(1).split(',');
    cells[column] = text;
    return cells.join(',') + '\n';
}

/// A few samples of a flight as the console makes them, with the cases the columns know.
std::vector<TrackSample> flight()
{
    TrackState state;
    std::vector<TrackSample> out;
    const qint64 t0 = utc("2026-12-08T21:11:15.000Z");
    out.push_back(state.onPointing(t0, LinkTag::None, 0, 0, u"", u"", u"", 0));
    state.onStatus(u"415678901", u"-37654321", u"100", u"12345", u"25.5");
    for (int i = 1; i < 6; ++i)
        out.push_back(state.onPointing(t0 + 100 * i, LinkTag::Udp, 10.0 * i, 2.5 * i,
                                       QString::number(415678901 + 1000 * i),
                                       QString::number(-37654321 - 700 * i),
                                       QString::number(100 + 30 * i), i));
    out.push_back(state.onPointing(t0 + 700, LinkTag::Tcp, 359.99999, -0.00001, u"415678901",
                                   u"-37654321", u"100", -1));
    state.onStatus(u"-337654321", u"1512093000", u"50.25", u"x", u"");
    out.push_back(state.onPointing(t0 + 800, LinkTag::Com, 180, 89.9, u"-339000000",
                                   u"1511700000", u"800", 1LL << 40));
    return out;
}

/// Sets the file size limit and ignores the signal its breach raises, until destroyed.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        m_savedHandler = signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_saved;
        limit.rlim_cur = bytes;
        m_ok = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        signal(SIGXFSZ, m_savedHandler);
    }
    bool ok() const { return m_ok; }

private:
    rlimit m_saved{};
    sighandler_t m_savedHandler;
    bool m_ok = false;
};

}  // namespace

class TestTrackingRecord : public QObject {
    Q_OBJECT

private slots:
    void rowText()
    {
        QCOMPARE(recordHeader(),
                 "time_utc,link,antenna_az_deg,antenna_el_deg,vehicle_lat_deg,vehicle_lon_deg,"
                 "vehicle_alt_m,origin_lat_deg,origin_lon_deg,origin_alt_m,los_az_deg,los_el_deg,"
                 "slant_range_m,ground_range_m,pointing_error_deg,tracker_flags,supply_v,"
                 "temperature_c\n");

        TrackSample full;
        full.utcMs = utc("2026-12-08T21:11:15.123Z");
        full.link = LinkTag::Udp;
        full.antennaAzDeg = 123.45678;
        full.antennaElDeg = -0.00001;
        full.vehicle = GeoPoint{41.5678901, -3.7654321, 120.5};
        full.origin = GeoPoint{41.5, -3.7, 100};
        LineOfSight los;
        los.hasDirection = true;
        los.azimuthDeg = 71.29009808;
        los.elevationDeg = 52.72686222;
        los.slantRangeM = 62.83306977;
        los.groundRangeM = 38.05178003;
        full.los = los;
        full.pointingErrorDeg = 12.34567;
        full.trackerFlags = 255;
        full.supplyV = 12.3456;
        full.temperatureC = -0.04;
        QCOMPARE(formatRow(full), kFullRow);

        QCOMPARE(formatRow(TrackSample{}), kUnknownsRow);

        TrackSample onTracker;
        onTracker.utcMs = full.utcMs;
        onTracker.link = LinkTag::Com;
        onTracker.antennaAzDeg = 360;
        onTracker.antennaElDeg = -90;
        onTracker.vehicle = onTracker.origin = GeoPoint{-1e-7, 179.9999999, -12.25};
        onTracker.los = LineOfSight{};
        onTracker.trackerFlags = std::numeric_limits<qint64>::min();
        onTracker.supplyV = -1;
        onTracker.temperatureC = -40;
        QCOMPARE(formatRow(onTracker), kNoDirectionRow);
    }

    void times_data()
    {
        QTest::addColumn<qint64>("ms");
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("epoch") << qint64(0) << QByteArray("1970-01-01T00:00:00.000Z");
        QTest::newRow("before the epoch") << qint64(-1) << QByteArray("1969-12-31T23:59:59.999Z");
        QTest::newRow("leap day") << utc("2024-02-29T12:34:56.789Z")
                                  << QByteArray("2024-02-29T12:34:56.789Z");
        QTest::newRow("century, no leap day") << utc("2100-03-01T00:00:00.001Z")
                                              << QByteArray("2100-03-01T00:00:00.001Z");
        QTest::newRow("last representable") << utc("9999-12-31T23:59:59.999Z")
                                            << QByteArray("9999-12-31T23:59:59.999Z");
        QTest::newRow("past year 9999") << std::numeric_limits<qint64>::max()
                                        << QByteArray("9999-12-31T23:59:59.999Z");
        QTest::newRow("before year 0") << std::numeric_limits<qint64>::min()
                                       << QByteArray("0000-01-01T00:00:00.000Z");
    }
    void times()
    {
        QFETCH(qint64, ms);
        QFETCH(QByteArray, text);
        QCOMPARE(formatUtc(ms), text);
        QCOMPARE(formatUtc(parseUtc(text).value_or(-1)), text);
    }

    void existingFileUntouched()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("keep.csv"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("precious\n");
        QVERIFY(f.flush());
        const QDateTime old = QDateTime::currentDateTimeUtc().addDays(-3);
        QVERIFY(f.setFileTime(old, QFileDevice::FileModificationTime));
        f.close();

        QString error;
        QVERIFY(!RecordWriter::create(path, &error));
        QVERIFY2(error.endsWith(QLatin1String("already exists.")), qPrintable(error));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), "precious\n");
        QCOMPARE(QFileInfo(path).lastModified(), old);

        // Nor is a file created through a link that points nowhere yet.
        const QString target = dir.filePath(QStringLiteral("target.csv"));
        QVERIFY(QFile::link(target, dir.filePath(QStringLiteral("link.csv"))));
        QVERIFY(!RecordWriter::create(dir.filePath(QStringLiteral("link.csv")), &error));
        QVERIFY(!QFile::exists(target));

        QVERIFY(!RecordWriter::create(dir.filePath(QStringLiteral("no/such/folder.csv")), &error));
        QVERIFY(error.startsWith(QLatin1String("Cannot create")));
    }

    void roundTrip()
    {
        QTemporaryDir dir;
        const QString path =
            dir.filePath(RecordWriter::defaultFileName(utc("2026-12-08T21:11:15.123Z")));
        QCOMPARE(QFileInfo(path).fileName(), QStringLiteral("flight-20261208-211115.csv"));
        const std::vector<TrackSample> samples = flight();
        QByteArray expected = recordHeader();
        {
            QString error;
            const std::unique_ptr<RecordWriter> w = RecordWriter::create(path, &error);
            QVERIFY2(w, qPrintable(error));
            for (const TrackSample& s : samples) {
                QVERIFY(w->append(s));
                expected += formatRow(s);
            }
            QCOMPARE(w->rows(), qint64(samples.size()));
            QVERIFY(w->flush());
            QVERIFY(w->append(samples[0]));  // left for the destructor to write
            expected += formatRow(samples[0]);
        }
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), expected);

        const RecordReadResult r = readRecord(path);
        QCOMPARE(r.firstBadLine, 0);
        QVERIFY(r.problem.isEmpty() && !r.truncated);
        QCOMPARE(r.samples.size(), samples.size() + 1);
        for (std::size_t i = 0; i < samples.size(); ++i) {
            const TrackSample& got = r.samples[i];
            const TrackSample& want = samples[i];
            QCOMPARE(formatRow(got), formatRow(want));
            QCOMPARE(bool(got.los), bool(want.los));
            if (!got.los) continue;
            QCOMPARE(got.vehicle->latDeg, want.vehicle->latDeg);  // exactly: 7 decimals suffice
            QVERIFY(std::abs(got.los->eastM - want.los->eastM) < 0.01);
            QVERIFY(std::abs(got.los->northM - want.los->northM) < 0.01);
            QVERIFY(std::abs(got.los->upM - want.los->upM) < 0.01);
        }
        QVERIFY(!readRecord(dir.filePath(QStringLiteral("missing.csv"))).problem.isEmpty());
    }

    void writeFailureKeepsWholeRows()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("full.csv"));
        QString error;
        std::unique_ptr<RecordWriter> w = RecordWriter::create(path, &error);
        QVERIFY2(w, qPrintable(error));
        const std::vector<TrackSample> samples = flight();
        const qint64 twoRows = recordHeader().size() + formatRow(samples[1]).size() +
                               formatRow(samples[2]).size();
        {
            // The disk fills up half way through the third row.
            const FileSizeLimit limit(rlim_t(twoRows + formatRow(samples[3]).size() / 2));
            QVERIFY(limit.ok());
            for (int i = 1; i < 6; ++i) QVERIFY(w->append(samples[std::size_t(i)]));
            QVERIFY(!w->flush());
        }
        QVERIFY(w->failed());
        QVERIFY2(w->errorText().contains(QString::fromLocal8Bit(std::strerror(EFBIG))),
                 qPrintable(w->errorText()));
        QCOMPARE(w->rows(), 2);
        QCOMPARE(QFileInfo(path).size(), twoRows);
        QVERIFY(!w->append(samples[0]));
        QVERIFY(!w->flush());
        w.reset();
        QCOMPARE(QFileInfo(path).size(), twoRows);
        const RecordReadResult r = readRecord(path);
        QCOMPARE(r.firstBadLine, 0);
        QCOMPARE(r.samples.size(), std::size_t(2));

        // Its folder removed, a record fails at the next flush rather than writing on into a
        // file nobody can open.
        const QString gonePath = dir.filePath(QStringLiteral("gone/record.csv"));
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("gone")));
        w = RecordWriter::create(gonePath, &error);
        QVERIFY2(w, qPrintable(error));
        QVERIFY(w->append(samples[1]) && w->flush());
        QVERIFY(QDir(dir.filePath(QStringLiteral("gone"))).removeRecursively());
        QVERIFY(!w->flush());
        QVERIFY2(w->errorText().endsWith(QLatin1String("has been deleted.")),
                 qPrintable(w->errorText()));
    }

    void malformed_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("firstBadLine");
        QTest::addColumn<int>("rows");
        QTest::addColumn<bool>("truncated");
        QTest::addColumn<QString>("problem");  // the whole sentence, when not empty
        QTest::addColumn<qsizetype>("maxBytes");
        QTest::addColumn<qsizetype>("maxRows");
        const QByteArray h = recordHeader(), r = kFullRow, u = kUnknownsRow;
        const qsizetype b = RecordLimits{}.maxBytes, n = RecordLimits{}.maxRows;
        const auto add = [&](const char* name, const QByteArray& bytes, int bad, int rows,
                             const QString& problem = {}, bool truncated = false,
                             qsizetype maxBytes = -1, qsizetype maxRows = -1) {
            QTest::newRow(name) << bytes << bad << rows << truncated << problem
                                << (maxBytes < 0 ? b : maxBytes) << (maxRows < 0 ? n : maxRows);
        };
        add("every kind of row", h + r + u + kNoDirectionRow, 0, 3);
        add("empty", "", 1, 0);
        add("header only", h, 0, 0);
        add("header without LF", h.chopped(1), 0, 0);
        add("other header", "time,az,el\n" + r, 1, 0,
            "Line 1: not a flight record: the first line is not its header.");
        add("header column renamed", QByteArray(h).replace("link", "port") + r, 1, 0);
        add("byte-order mark", "\xEF\xBB\xBF" + h + r, 0, 1);
        add("CR LF", QByteArray(h + r + u).replace("\n", "\r\n"), 0, 2);
        add("last line without LF", h + r + u.chopped(1), 0, 2);
        add("last line cut short", h + r + r.left(70), 3, 1);
        add("17 fields", h + r + withCell(r, 17, "").replace(",\n", "\n") + u, 3, 2,
            "Line 3: 17 fields, 18 expected.");
        add("19 fields", h + r + withCell(r, 17, "1.0,") + u, 3, 2);
        add("empty line", h + r + "\n" + u, 3, 2, "Line 3: empty line.");
        add("first bad line reported", h + r + "x\n" + withCell(r, 2, "") + u, 3, 2);
        add("not a number", h + withCell(r, 2, "12.3a45"), 2, 0,
            "Line 2: antenna_az_deg is not valid.");
        add("too few decimals", h + withCell(r, 2, "12.345"), 2, 0);
        add("antenna half missing", h + withCell(r, 3, ""), 2, 0,
            "Line 2: the antenna's azimuth and elevation do not go together.");
        add("latitude past 90", h + withCell(r, 4, "90.0000001"), 2, 0);
        add("longitude past 180", h + withCell(r, 8, "-180.0000001"), 2, 0);
        add("vehicle incomplete", h + withCell(r, 6, ""), 2, 0,
            "Line 2: the vehicle position is incomplete.");
        add("no such month", h + withCell(r, 0, "2026-13-08T21:11:15.123Z"), 2, 0,
            "Line 2: time_utc is not valid.");
        add("February 29, 2026", h + withCell(r, 0, "2026-02-29T21:11:15.123Z"), 2, 0);
        add("second 60", h + withCell(r, 0, "2026-12-08T21:11:60.123Z"), 2, 0);
        add("time without Z", h + withCell(r, 0, "2026-12-08T21:11:15.123"), 2, 0);
        add("time missing", h + withCell(r, 0, ""), 2, 0);
        add("link in capitals", h + withCell(r, 1, "UDP"), 2, 0);
        add("flags not whole", h + withCell(r, 15, "2.5"), 2, 0);
        add("flags past 64 bits", h + withCell(r, 15, "9223372036854775808"), 2, 0);
        add("supply past its range", h + withCell(r, 16, "1000000.001"), 2, 0);
        add("ranges without positions", h + withCell(withCell(u, 12, "1.00"), 13, "1.00"), 2, 0,
            "Line 2: the line of sight does not match the positions.");
        add("azimuth without elevation", h + withCell(r, 11, ""), 2, 0);
        add("pointing error without direction",
            h + withCell(withCell(r, 10, ""), 11, ""), 2, 0,
            "Line 2: the pointing error does not match the line of sight.");
        add("binary", h + r + QByteArray("\xff\xfe\x01\x80garbage", 12) + "\n" + u, 3, 2);
        add("NUL in a cell", h + withCell(r, 16, QByteArray("12.3\0" "45", 7)) + u, 2, 1);
        add("CR inside a line", h + withCell(r, 1, "u\rp") + u, 2, 1);
        add("over-long line", h + r + QByteArray(1100, '9') + "\n" + u, 3, 2,
            "Line 3: longer than 1024 bytes.");
        add("bytes limit inside a line", h + r + r + r, 3, 1,
            "Line 3: the record is longer than " + QString::number(h.size() + r.size() + 10) +
                " bytes; only the lines before it are read.",
            true, h.size() + r.size() + 10);
        add("bytes limit at a line end", h + r + r, 3, 1, {}, true, h.size() + r.size());
        add("exactly the bytes limit", h + r, 0, 1, {}, false, h.size() + r.size());
        add("bytes limit inside the header", h + r, 1, 0, {}, true, 10);
        add("rows limit", h + r + r + r, 4, 2,
            "Line 4: the record has more than 2 rows; only the lines before it are read.", true,
            -1, 2);
        add("exactly the rows limit", h + r + r, 0, 2, {}, false, -1, 2);
        add("bad line, then the limit", h + "x\n" + r + r, 2, 1,
            "Line 2: 1 field, 18 expected. Line 4: the record has more than 2 rows; only the "
            "lines before it are read.",
            true, -1, 2);
    }
    void malformed()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, firstBadLine);
        QFETCH(int, rows);
        QFETCH(bool, truncated);
        QFETCH(QString, problem);
        QFETCH(qsizetype, maxBytes);
        QFETCH(qsizetype, maxRows);
        const RecordReadResult r = parseRecord(bytes, RecordLimits{maxBytes, maxRows});
        QCOMPARE(r.firstBadLine, firstBadLine);
        QCOMPARE(int(r.samples.size()), rows);
        QCOMPARE(r.truncated, truncated);
        if (firstBadLine == 0) QVERIFY(r.problem.isEmpty());
        if (firstBadLine != 0)
            QVERIFY(r.problem.startsWith(QStringLiteral("Line %1: ").arg(firstBadLine)));
        if (!problem.isEmpty()) QCOMPARE(r.problem, problem);
        // What reads is what was written.
        for (const TrackSample& s : r.samples)
            QVERIFY(formatRow(s) == kFullRow || formatRow(s) == kUnknownsRow ||
                    formatRow(s) == kNoDirectionRow);
    }
};

QTEST_APPLESS_MAIN(TestTrackingRecord)
#include "tst_tracking_record.moc"
