// Two real Syncthing instances share a folder over the loopback; a note both sides changed while
// apart becomes a conflict copy, which Quirebox finds beside its note and merges three-way from
// the note's history, through the window.
#include "WindowFixture.h"

#include "editor/NoticeBar.h"
#include "keeping/NoteHistory.h"
#include "notes/MergeDialog.h"
#include "notes/NoteListModel.h"

#include <QCheckBox>
#include <QDeadlineTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>

#include <array>
#include <csignal>
#include <optional>

#include <sys/prctl.h>

using namespace qb;
using namespace qb::test;

namespace {

const QString kFolderId = u"notes"_s;
const QByteArray kApiKey = "quirebox-syncthing-test";

const QByteArray kBase = "Plan for the week\r\nbuy paper\r\ncall Ann\r\nfix the roof\r\n"
                         "post the letters\r\n";
// Typed in Quirebox at the start of the note.
const QString kTyped = u"Monday: "_s;
const QByteArray kMine = "Monday: " + kBase;
// Written on the other machine: its last line changed, one added.
const QByteArray kTheirs = "Plan for the week\r\nbuy paper\r\ncall Ann\r\nfix the roof\r\n"
                           "post the letters and the parcel\r\nwater the plants\r\n";
const QByteArray kMerged = "Monday: Plan for the week\r\nbuy paper\r\ncall Ann\r\nfix the roof\r\n"
                           "post the letters and the parcel\r\nwater the plants\r\n";

const QRegularExpression kCopyName(u"^plan\\.sync-conflict-\\d{8}-\\d{6}-[A-Z2-7]{7}\\.txt$"_s);

// The *.txt files of `dir`, each as "name=bytes", sorted by name.
QStringList notesIn(const QString &dir)
{
    QStringList notes;
    for (const QString &name : QDir(dir).entryList({u"*.txt"_s}, QDir::Files, QDir::Name))
        notes << name + u'=' + QString::fromLatin1(readBytes(dir + u'/' + name));
    return notes;
}

QString editorText(const QByteArray &bytes)
{
    return QString::fromUtf8(bytes).replace(u"\r\n"_s, u"\n"_s);
}

// A program's output, or nothing when it did not end well within `timeoutMs`.
std::optional<QByteArray> run(const QStringList &arguments, const QProcessEnvironment &environment,
                              int timeoutMs = 30'000)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(u"syncthing"_s, arguments);
    if (!process.waitForFinished(timeoutMs) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        qWarning() << "syncthing" << arguments << "failed:" << process.errorString()
                   << process.readAllStandardError();
        return std::nullopt;
    }
    return process.readAllStandardOutput();
}

// One machine's Syncthing: its home (keys, configuration, database, log) and the folder it shares.
// Nothing it does leaves the loopback: it listens and dials on 127.0.0.1 only, its discovery,
// relays, NAT traversal, usage and crash reports and upgrade checks are off, and proxies are
// dropped from its environment.
class SyncthingSide
{
public:
    SyncthingSide(const QString &name, const QString &home, const QString &folder,
                  quint16 listenPort, quint16 guiPort)
        : name(name), home(home), folder(folder), listenPort(listenPort), guiPort(guiPort)
    {
        m_environment = QProcessEnvironment::systemEnvironment();
        for (const char *proxy : {"all_proxy", "ALL_PROXY", "http_proxy", "HTTP_PROXY",
                                  "https_proxy", "HTTPS_PROXY", "no_proxy", "NO_PROXY"})
            m_environment.remove(QString::fromLatin1(proxy));
        m_environment.insert(u"STNODEFAULTFOLDER"_s, u"1"_s);
        m_environment.insert(u"STNOUPGRADE"_s, u"1"_s);
        m_environment.insert(u"STNORESTART"_s, u"1"_s);
        // Without a monitor process: the one process started is the one killed.
        m_environment.insert(u"STMONITORED"_s, u"yes"_s);
        // Spares each start the second it takes to time the SHA-256 implementations.
        m_environment.insert(u"STHASHING"_s, u"standard"_s);
    }
    ~SyncthingSide()
    {
        switchOff();
        if (QTest::currentTestFailed())
            qWarning().noquote() << "Syncthing log of" << name << ":\n"
                                 << QString::fromUtf8(readBytes(logPath()));
    }
    SyncthingSide(const SyncthingSide &) = delete;
    SyncthingSide &operator=(const SyncthingSide &) = delete;

    // Makes the keys and reads the device ID they give.
    bool generate()
    {
        if (!run({u"generate"_s, u"--home="_s + home, u"--skip-port-probing"_s,
                  u"--no-default-folder"_s},
                 m_environment))
            return false;
        const std::optional<QByteArray> shown =
            run({u"serve"_s, u"--home="_s + home, u"--device-id"_s}, m_environment);
        id = shown ? QString::fromLatin1(shown->trimmed()) : QString();
        static const QRegularExpression deviceId(u"^[A-Z2-7]{7}(-[A-Z2-7]{7}){7}$"_s);
        return deviceId.match(id).hasMatch();
    }

    // The configuration sharing `folder` with `other` alone, written over the one generated; a
    // failed dial to `other` is tried again after `redialSeconds`.
    bool configure(const SyncthingSide &other, int redialSeconds) const
    {
        const QString config =
            uR"(<configuration version="36">
    <folder id="%1" label="%1" path="%2" type="sendreceive" rescanIntervalS="3600" fsWatcherEnabled="false">
        <device id="%3"></device>
        <device id="%4"></device>
        <maxConflicts>10</maxConflicts>
    </folder>
    <device id="%3" name="%5"><address>tcp://127.0.0.1:%6</address></device>
    <device id="%4" name="%7"><address>tcp://127.0.0.1:%8</address></device>
    <gui enabled="true" tls="false">
        <address>127.0.0.1:%9</address>
        <apikey>%10</apikey>
    </gui>
    <options>
        <listenAddress>tcp://127.0.0.1:%6</listenAddress>
        <globalAnnounceEnabled>false</globalAnnounceEnabled>
        <localAnnounceEnabled>false</localAnnounceEnabled>
        <relaysEnabled>false</relaysEnabled>
        <natEnabled>false</natEnabled>
        <stunKeepaliveStartS>0</stunKeepaliveStartS>
        <stunKeepaliveMinS>0</stunKeepaliveMinS>
        <announceLANAddresses>false</announceLANAddresses>
        <urAccepted>-1</urAccepted>
        <crashReportingEnabled>false</crashReportingEnabled>
        <autoUpgradeIntervalH>0</autoUpgradeIntervalH>
        <startBrowser>false</startBrowser>
        <reconnectionIntervalS>%11</reconnectionIntervalS>
    </options>
</configuration>
)"_s.arg(kFolderId, folder.toHtmlEscaped(), id, other.id, name, QString::number(listenPort),
         other.name, QString::number(other.listenPort), QString::number(guiPort))
                .arg(QString::fromLatin1(kApiKey), QString::number(redialSeconds));
        // The folder's marker, which Syncthing wants before it shares a directory.
        return QDir().mkpath(folder + u"/.stfolder"_s) &&
               writeBytes(home + u"/config.xml"_s, config.toUtf8());
    }

    void start()
    {
        m_process.setProcessEnvironment(m_environment);
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.setStandardOutputFile(logPath(), QIODevice::Append);
        // Ended with the test, even when it crashes.
        m_process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        m_process.start(u"syncthing"_s, {u"serve"_s, u"--home="_s + home, u"--no-browser"_s,
                                         u"--no-restart"_s, u"--no-upgrade"_s});
    }
    bool running() const { return m_process.state() == QProcess::Running; }
    // Ends it at once, as when its machine is switched off. (Asked to shut down, it sometimes
    // waits ten seconds for a connection the other side is making.)
    bool switchOff()
    {
        m_process.kill();
        return m_process.waitForFinished(10'000);
    }

    // The body of the REST interface's answer to `method` `path`; nothing unless it answered
    // 200 within `timeoutMs`.
    std::optional<QByteArray> request(const QByteArray &method, const QString &path,
                                      int timeoutMs = 5'000) const
    {
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, guiPort);
        if (!socket.waitForConnected(timeoutMs))
            return std::nullopt;
        // HTTP/1.0: the answer is neither chunked nor kept alive; it ends where the socket does.
        socket.write(method + ' ' + path.toUtf8() +
                     " HTTP/1.0\r\nHost: 127.0.0.1:" + QByteArray::number(guiPort) +
                     "\r\nX-API-Key: " + kApiKey + "\r\nContent-Length: 0\r\n\r\n");
        QByteArray answer;
        const QDeadlineTimer deadline(timeoutMs);
        while (socket.state() == QAbstractSocket::ConnectedState && !deadline.hasExpired()) {
            socket.waitForReadyRead(int(deadline.remainingTime()));
            answer += socket.readAll();
        }
        answer += socket.readAll();
        const qsizetype bodyAt = answer.indexOf("\r\n\r\n");
        if (socket.state() == QAbstractSocket::ConnectedState || bodyAt < 0 ||
            !answer.startsWith("HTTP/1.") || answer.mid(8, 5) != " 200 ")
            return std::nullopt;
        return answer.mid(bodyAt + 4);
    }
    QJsonObject get(const QString &path) const
    {
        return QJsonDocument::fromJson(request("GET", path).value_or(QByteArray())).object();
    }
    bool post(const QString &path, int timeoutMs = 5'000) const
    {
        return request("POST", path, timeoutMs).has_value();
    }

    bool answers() const
    {
        return get(u"/rest/system/ping"_s).value(u"ping"_s).toString() == u"pong"_s;
    }
    bool connectedTo(const SyncthingSide &other) const
    {
        return get(u"/rest/system/connections"_s)
            .value(u"connections"_s)[other.id][u"connected"_s]
            .toBool();
    }
    // Rescans the folder; the answer comes once the scan is done.
    bool scan() const { return post(u"/rest/db/scan?folder="_s + kFolderId, 30'000); }
    // Nothing to pull here, and `other` told it holds all there is.
    bool settledWith(const SyncthingSide &other) const
    {
        const QJsonObject status = get(u"/rest/db/status?folder="_s + kFolderId);
        const QJsonObject completion =
            get(u"/rest/db/completion?folder="_s + kFolderId + u"&device="_s + other.id);
        return status.value(u"state"_s).toString() == u"idle"_s &&
               status.value(u"needTotalItems"_s).toInt(-1) == 0 &&
               completion.value(u"completion"_s).toDouble() == 100 &&
               completion.value(u"needItems"_s).toInt(-1) == 0;
    }

    QString logPath() const { return home + u"/syncthing.log"_s; }

    const QString name, home, folder;
    const quint16 listenPort, guiPort;
    QString id;

private:
    QProcessEnvironment m_environment;
    QProcess m_process;
};

// Ports on the loopback nobody listens on now, all different.
std::array<quint16, 4> freePorts()
{
    std::array<QTcpServer, 4> servers;
    std::array<quint16, 4> ports{};
    for (std::size_t i = 0; i < servers.size(); ++i)
        ports[i] = servers[i].listen(QHostAddress::LocalHost, 0) ? servers[i].serverPort() : 0;
    return ports;
}

// What the merge window showed.
struct MergeSeen
{
    QString title, base;
    bool useOnAtOnce = false, removeCopyChecked = false;
};

} // namespace

class TestSyncthing : public QObject
{
    Q_OBJECT
    QTemporaryDir m_home;

private Q_SLOTS:
    void initTestCase()
    {
        keepHomeIn(m_home.path());
        QVERIFY2(!QStandardPaths::findExecutable(u"syncthing"_s).isEmpty(),
                 "syncthing is not installed: scripts/deps.sh installs it");
    }

    void conflictCopyMerged_data()
    {
        // The other machine's file time, against the time of Quirebox's save: Syncthing keeps
        // the newer text as the note and renames the older.
        QTest::addColumn<int>("theirsAgeSeconds");
        QTest::newRow("the other machine's text older") << 10;
        QTest::newRow("Quirebox's text older") << -10;
    }

    // A note synced to both sides is changed in Quirebox on one and by hand on the other while
    // they are apart; when they meet Syncthing keeps one text beside the other as a conflict
    // copy. Quirebox pairs the copy with its note, merges the two three-way from the version
    // its save kept, and the merged note goes back to the other side as the one note.
    void conflictCopyMerged()
    {
        QFETCH(int, theirsAgeSeconds);
        TestWindow t;
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const std::array<quint16, 4> ports = freePorts();
        QVERIFY(std::find(ports.cbegin(), ports.cend(), 0) == ports.cend());
        SyncthingSide a(u"here"_s, dir.filePath(u"here-home"_s), t.dir(), ports[0], ports[1]);
        SyncthingSide b(u"there"_s, dir.filePath(u"there-home"_s), dir.filePath(u"there"_s),
                        ports[2], ports[3]);
        QVERIFY(a.generate());
        QVERIFY(b.generate());
        // The note's side starts first and dials again only after an hour: the other side makes
        // every connection. When both dial at once, Syncthing 1.19 stalls each connection for
        // twenty seconds, waiting for a greeting.
        QVERIFY(a.configure(b, 3600));
        QVERIFY(b.configure(a, 1));
        a.start();
        QTRY_VERIFY_WITH_TIMEOUT(a.answers(), 20'000);
        b.start();
        QTRY_VERIFY_WITH_TIMEOUT(b.answers(), 20'000);
        QTRY_VERIFY_WITH_TIMEOUT(a.connectedTo(b) && b.connectedTo(a), 20'000);

        // The base, on both sides.
        QVERIFY(writeBytes(a.folder + u"/plan.txt"_s, kBase));
        QVERIFY(a.scan());
        QTRY_COMPARE_WITH_TIMEOUT(readBytes(b.folder + u"/plan.txt"_s), kBase, 20'000);
        QTRY_VERIFY_WITH_TIMEOUT(a.settledWith(b) && b.settledWith(a), 20'000);

        t.open();
        QCOMPARE(t.text(), editorText(kBase));

        // The other machine is off while each side changes the note: started again, it dials at
        // once, where a paused device, resumed, waits for its connection loop (up to a minute).
        QVERIFY(b.switchOff());
        QTRY_VERIFY_WITH_TIMEOUT(!a.connectedTo(b), 20'000);
        t.type(kTyped);
        QVERIFY(t.save());
        QCOMPARE(t.bytes(u"plan.txt"_s), kMine);
        // The save keeps the base in the note's history, off the window's thread.
        const auto history = [&t] {
            QList<QByteArray> bytes;
            for (const NoteVersion &version : NoteHistory().versions(t.note(u"plan.txt"_s)))
                bytes << NoteHistory::read(version, 1 << 20).bytes;
            return bytes;
        };
        QTRY_COMPARE(history(), QList<QByteArray>{kBase});
        const QString theirsPath = b.folder + u"/plan.txt"_s;
        QVERIFY(writeBytes(theirsPath, kTheirs));
        {
            QFile theirs(theirsPath);
            const QDateTime mineTime = QFileInfo(t.note(u"plan.txt"_s)).lastModified();
            QVERIFY(theirs.open(QIODevice::ReadWrite) &&
                    theirs.setFileTime(mineTime.addSecs(-theirsAgeSeconds),
                                       QFileDevice::FileModificationTime));
        }
        QVERIFY(a.scan());

        // Together again: the other machine scans its folder as it starts, and Syncthing keeps
        // the older text as a conflict copy, on both sides.
        b.start();
        const auto conflictSettled = [&] {
            const QStringList here = notesIn(a.folder);
            return here.size() == 2 && kCopyName.match(here.at(0).section(u'=', 0, 0)).hasMatch() &&
                   here.at(1).startsWith(u"plan.txt="_s) && notesIn(b.folder) == here &&
                   a.settledWith(b) && b.settledWith(a);
        };
        QTRY_VERIFY_WITH_TIMEOUT(conflictSettled(), 30'000);
        const QString copyName = notesIn(a.folder).at(0).section(u'=', 0, 0);
        const QByteArray noteBytes = t.bytes(u"plan.txt"_s);
        const QByteArray copyBytes = t.bytes(copyName);
        QVERIFY2((noteBytes == kMine && copyBytes == kTheirs) ||
                     (noteBytes == kTheirs && copyBytes == kMine),
                 "Syncthing kept neither side's text as the note and the other as the copy");
        qInfo().noquote() << "Syncthing kept" << (copyBytes == kMine ? "Quirebox's" : "the other")
                          << "text as" << copyName;

        // The editor holds the note's text as it is now. File > Refresh List lists the copy,
        // paired with its note, and the bar tells of it.
        QTRY_COMPARE(t.text(), editorText(noteBytes));
        QCOMPARE(t.status(), u"Unchanged"_s);
        const auto *model = t.w().findChild<NoteListModel *>();
        QVERIFY(model);
        t.trigger(u"F_mnuREFRESH"_s);
        QTRY_VERIFY(model->rowCount() == 2 && model->rowOf(copyName) >= 0 &&
                    model->rowOf(u"plan.txt"_s) >= 0);
        const int noteRow = model->rowOf(u"plan.txt"_s);
        const int copyRow = model->rowOf(copyName);
        QCOMPARE(model->copiesOf(noteRow), QList<int>{copyRow});
        QCOMPARE(model->noteOfCopy(copyRow), noteRow);
        QCOMPARE(model->noteOfCopy(noteRow), -1);
        QTRY_COMPARE(t.shown(), u"File: "_s + t.note(u"plan.txt"_s));
        QCOMPARE(t.text(), editorText(noteBytes));
        const QDateTime keptAt =
            QDateTime::fromString(copyName.section(u'-', 2, 3), u"yyyyMMdd-HHmmss"_s);
        QVERIFY(keptAt.isValid());
        QTRY_COMPARE(t.child<NoticeBar>(u"noticeBar"_s)->text(),
                     u"Another version of this note was kept by Syncthing on "_s +
                         QLocale(QLocale::English).toString(keptAt, u"d MMM yyyy HH:mm"_s) +
                         u": \""_s + copyName + u"\"."_s);
        QTRY_VERIFY(t.action(u"mergeVersionsAction"_s)->isEnabled());

        // Tools > Merge Versions...: both changes go in by themselves.
        MergeSeen seen;
        t.platform.answerDialog([&seen](QDialog &dialog) {
            auto &merge = static_cast<MergeDialog &>(dialog);
            seen.title = dialog.windowTitle();
            seen.base = dialog.findChild<QLabel *>(u"mergeBaseLabel"_s)->text();
            seen.useOnAtOnce = merge.button(u"useMergedButton"_s)->isEnabled();
            const auto *box = dialog.findChild<QCheckBox *>(u"removeCopyBox"_s);
            seen.removeCopyChecked = box && box->isChecked();
            return seen.useOnAtOnce ? int(QDialog::Accepted) : int(QDialog::Rejected);
        });
        t.trigger(u"mergeVersionsAction"_s);
        QTRY_COMPARE(seen.title, u"Merge - plan"_s);
        QVERIFY2(seen.base.startsWith(u"Merged three ways, from the version of "_s),
                 qPrintable(seen.base));
        QVERIFY(seen.useOnAtOnce);
        QVERIFY(seen.removeCopyChecked);
        QTRY_COMPARE(t.status(), u"Changed"_s);
        QCOMPARE(t.text(), editorText(kMerged));
        QVERIFY(t.save());
        QCOMPARE(t.bytes(u"plan.txt"_s), kMerged);
        QVERIFY(!QFileInfo::exists(t.note(copyName)));
        QTRY_COMPARE(t.lstFILE()->count(), 1);

        // The merged note reaches the other side, and the copy leaves it.
        QVERIFY(a.scan());
        QTRY_COMPARE_WITH_TIMEOUT(
            notesIn(b.folder), QStringList{u"plan.txt="_s + QString::fromLatin1(kMerged)}, 20'000);
        QCOMPARE(notesIn(a.folder), notesIn(b.folder));
        QVERIFY(a.running() && b.running());
    }
};

QTEST_MAIN(TestSyncthing)
#include "test_syncthing.moc"
