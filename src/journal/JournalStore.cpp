#include "journal/JournalStore.h"

#include "journal/StepInsert.h"
#include "util/AppPaths.h"
#include "util/Log.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <atomic>
#include <cstdio>
#include <ctime>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace ferrolet {

namespace {

const char* const kSchema[] = {
    ("CREATE TABLE IF NOT EXISTS gestures(id INTEGER PRIMARY KEY, title TEXT NOT NULL DEFAULT '', "
     "state TEXT NOT NULL, undo_of INTEGER NOT NULL DEFAULT 0, started INTEGER NOT NULL, "
     "pid INTEGER NOT NULL)"),
    ("CREATE TABLE IF NOT EXISTS steps(id INTEGER PRIMARY KEY, gesture INTEGER NOT NULL, "
     "kind TEXT NOT NULL, internal INTEGER NOT NULL, from_path BLOB, to_path BLOB, partial BLOB, "
     "device INTEGER, inode INTEGER, size INTEGER, mtime INTEGER, folder INTEGER, "
     "state TEXT NOT NULL)"),
    "CREATE INDEX IF NOT EXISTS steps_by_gesture ON steps(gesture)",
    "CREATE INDEX IF NOT EXISTS gestures_running ON gestures(state) WHERE state = 'running'",
    // Recovery at every start asks this index only: empty when all is well.
    ("CREATE INDEX IF NOT EXISTS steps_unfinished ON steps(state) "
     "WHERE state IN ('intent', 'copied', 'placed', 'flushed')"),
};

// From version 1: its moves marked a step placed only once the copy was
// flushed, which is what flushed says now; and the index of unfinished
// steps takes in the new state.
const char* const kFromVersion1[] = {
    "UPDATE steps SET state = 'flushed' WHERE state = 'placed'",
    "DROP INDEX IF EXISTS steps_unfinished",
};

const char* const kSchemaVersionStatement = "PRAGMA user_version=2";
static_assert(JournalStore::kSchemaVersion == 2, "the statement above sets the version");

std::string FromBytes(const QVariant& v) {
    const QByteArray b = v.toByteArray();
    return std::string(b.constData(), static_cast<size_t>(b.size()));
}

JournalStep StepFromRow(const QSqlQuery& q) {
    JournalStep step;
    step.id = q.value(0).toLongLong();
    step.gesture = q.value(1).toLongLong();
    step.kind = StepKindFromName(q.value(2).toString());
    step.internal = q.value(3).toBool();
    step.from = FromBytes(q.value(4));
    step.to = FromBytes(q.value(5));
    step.partial = FromBytes(q.value(6));
    step.identity.device = q.value(7).toULongLong();
    step.identity.inode = q.value(8).toULongLong();
    step.identity.size = q.value(9).toULongLong();
    step.identity.mtimeNs = q.value(10).toLongLong();
    step.identity.folder = q.value(11).toBool();
    step.state = StepStateFromName(q.value(12).toString());
    return step;
}

const char* const kStepColumns = "id, gesture, kind, internal, from_path, to_path, partial, "
                                 "device, inode, size, mtime, folder, state";

Gesture GestureFromRow(const QSqlQuery& q) {
    Gesture g;
    g.id = q.value(0).toLongLong();
    g.title = q.value(1).toString();
    g.state = q.value(2).toString();
    g.undoOf = q.value(3).toLongLong();
    g.started = q.value(4).toLongLong();
    g.pid = q.value(5).toLongLong();
    return g;
}

const char* const kGestureColumns = "id, title, state, undo_of, started, pid";

std::vector<Gesture> GestureRows(QSqlQuery& q) {
    std::vector<Gesture> out;
    while (q.next()) {
        out.push_back(GestureFromRow(q));
    }
    return out;
}

} // namespace

JournalStore& JournalStore::Shared() {
    // One per thread: an SQL connection serves only the thread that opened
    // it (commands that run at once on two threads each record their own
    // gesture). Thread-local objects go before Qt SQL's own registry does.
    // A state folder that moved (a test's private home) gets its own.
    thread_local std::unique_ptr<JournalStore> store;
    const std::string path = StateDirectoryPath() + "/journal.sqlite";
    if (!store || store->m_path != path) {
        store = std::make_unique<JournalStore>(path);
    }
    return *store;
}

JournalStore::JournalStore(std::string path) : m_path(std::move(path)) {
    static std::atomic<int> counter{0};
    m_connection = QStringLiteral("ferrolet-journal-%1-%2").arg(getpid()).arg(++counter);
}

JournalStore::~JournalStore() {
    m_insertStep.reset();
    m_setState.reset();
    m_setStateAndIdentity.reset();
    if (m_open) {
        Commit();
        QSqlDatabase::database(m_connection, false).close();
    }
    if (m_tried) {
        QSqlDatabase::removeDatabase(m_connection);
    }
}

bool JournalStore::Exists() const {
    struct stat st {};
    return ::stat(m_path.c_str(), &st) == 0;
}

bool JournalStore::Usable() {
    if (!m_tried) {
        m_tried = true;
        m_open = Open();
    }
    return m_open;
}

bool JournalStore::Exec(const QString& sql) {
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    return q.exec(sql);
}

// The set-up every open needs, and the schema; false with the reason.
static bool Prepare(QSqlDatabase& db, QString& why) {
    if (!db.open()) {
        why = db.lastError().text();
        return false;
    }
    QSqlQuery q(db);
    for (const char* pragma : {"PRAGMA journal_mode=WAL", "PRAGMA synchronous=NORMAL"}) {
        if (!q.exec(QString::fromLatin1(pragma))) {
            why = q.lastError().text();
            return false;
        }
    }
    if (!q.exec(QStringLiteral("PRAGMA user_version")) || !q.next()) {
        why = q.lastError().text();
        return false;
    }
    const int version = q.value(0).toInt();
    if (version > JournalStore::kSchemaVersion) {
        why = QStringLiteral("it was written by a newer Ferrolet");
        return false;
    }
    // One transaction: a database is either migrated whole or not at all.
    std::vector<const char*> statements;
    if (version == 1) {
        statements.assign(std::begin(kFromVersion1), std::end(kFromVersion1));
    }
    statements.insert(statements.end(), std::begin(kSchema), std::end(kSchema));
    statements.push_back(kSchemaVersionStatement);
    if (!db.transaction()) {
        why = db.lastError().text();
        return false;
    }
    for (const char* statement : statements) {
        if (!q.exec(QString::fromLatin1(statement))) {
            why = q.lastError().text();
            db.rollback();
            return false;
        }
    }
    return db.commit();
}

bool JournalStore::Open() {
    if (qEnvironmentVariable("FERROLET_JOURNAL") == QLatin1String("off")) {
        return false;
    }
    if (StateDirectory().empty()) {
        Log(QStringLiteral("Ferrolet: The filing journal cannot be kept: no state folder."));
        return false;
    }
    for (int attempt = 0; attempt < 2; ++attempt) {
        QString why;
        {
            // Every handle on the connection is gone before it may be removed.
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
            db.setDatabaseName(QString::fromStdString(m_path));
            db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=2000"));
            if (Prepare(db, why)) {
                return true;
            }
            db.close();
        }
        const bool damaged = why.contains(QLatin1String("not a database")) ||
                             why.contains(QLatin1String("malformed"));
        if (!damaged || attempt > 0) {
            Log(QStringLiteral("Ferrolet: The filing journal could not be opened (%1); filing goes "
                               "on without it.")
                    .arg(why));
            return false;
        }
        SetAside();
    }
    return false;
}

void JournalStore::SetAside() {
    Log(QStringLiteral("Ferrolet: The filing journal was damaged; it is kept as %1.corrupt and a "
                       "new one begun.")
            .arg(QString::fromStdString(m_path)));
    QSqlDatabase::removeDatabase(m_connection);
    std::rename(m_path.c_str(), (m_path + ".corrupt").c_str());
    for (const char* suffix : {"-wal", "-shm"}) {
        std::remove((m_path + suffix).c_str());
    }
}

void JournalStore::Begin() {
    if (!m_inTransaction) {
        m_inTransaction = QSqlDatabase::database(m_connection, false).transaction();
    }
}

void JournalStore::Commit() {
    if (m_inTransaction) {
        QSqlDatabase::database(m_connection, false).commit();
        m_inTransaction = false;
        m_pendingAtomic = 0;
    }
}

int64_t JournalStore::AddGesture(int64_t pid) {
    if (!Usable()) {
        return 0;
    }
    Begin();
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.prepare(QStringLiteral("INSERT INTO gestures(state, started, pid) VALUES (?, ?, ?)"));
    q.addBindValue(QString::fromLatin1(kGestureRunning));
    q.addBindValue(static_cast<qint64>(std::time(nullptr)));
    q.addBindValue(static_cast<qint64>(pid != 0 ? pid : getpid()));
    return q.exec() ? q.lastInsertId().toLongLong() : 0;
}

void JournalStore::SetGesture(int64_t id, const QString& title, const char* state, int64_t undoOf) {
    if (!Usable() || id == 0) {
        return;
    }
    Begin();
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.prepare(QStringLiteral("UPDATE gestures SET title = ?, state = ?, undo_of = ? WHERE id = ?"));
    q.addBindValue(title);
    q.addBindValue(QString::fromLatin1(state));
    q.addBindValue(static_cast<qint64>(undoOf));
    q.addBindValue(static_cast<qint64>(id));
    q.exec();
    Commit();
}

void JournalStore::MarkGesture(int64_t id, const char* state) {
    if (!Usable() || id == 0) {
        return;
    }
    Begin();
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.prepare(QStringLiteral("UPDATE gestures SET state = ? WHERE id = ?"));
    q.addBindValue(QString::fromLatin1(state));
    q.addBindValue(static_cast<qint64>(id));
    q.exec();
    Commit();
}

int64_t JournalStore::AddStep(const JournalStep& step, bool atomic) {
    if (!Usable() || step.gesture == 0) {
        return 0;
    }
    Begin();
    if (!m_insertStep) {
        m_insertStep = std::make_unique<StepInsert>();
        m_insertStep->Prepare(QSqlDatabase::database(m_connection, false));
    }
    // An atomic step is never marked again: its id is not used.
    const int64_t id = m_insertStep->Run(step);
    if (!atomic || ++m_pendingAtomic >= kBatchSteps) {
        Commit();
    }
    return atomic ? 0 : id;
}

void JournalStore::SetStepState(int64_t id, StepState state, const ItemIdentity* identity,
                                bool commitNow) {
    if (!Usable() || id == 0) {
        return;
    }
    Begin();
    // Prepared once: a long run marks thousands of steps.
    std::unique_ptr<QSqlQuery>& q = identity ? m_setStateAndIdentity : m_setState;
    if (!q) {
        q = std::make_unique<QSqlQuery>(QSqlDatabase::database(m_connection, false));
        q->prepare(identity ? QStringLiteral("UPDATE steps SET state = ?, device = ?, inode = ?, "
                                             "size = ?, mtime = ?, folder = ? WHERE id = ?")
                            : QStringLiteral("UPDATE steps SET state = ? WHERE id = ?"));
    }
    int column = 0;
    q->bindValue(column++, StepStateName(state));
    if (identity) {
        q->bindValue(column++, static_cast<qulonglong>(identity->device));
        q->bindValue(column++, static_cast<qulonglong>(identity->inode));
        q->bindValue(column++, static_cast<qulonglong>(identity->size));
        q->bindValue(column++, static_cast<qint64>(identity->mtimeNs));
        q->bindValue(column++, identity->folder ? 1 : 0);
    }
    q->bindValue(column, static_cast<qint64>(id));
    q->exec();
    if (commitNow) {
        Commit();
    }
}

void JournalStore::SetStepStates(const std::vector<int64_t>& ids, StepState state) {
    if (!Usable() || ids.empty()) {
        return;
    }
    for (const int64_t id : ids) {
        SetStepState(id, state, nullptr, false);
    }
    Commit();
}

bool JournalStore::HasUnfinished() {
    if (!Usable()) {
        return false;
    }
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    return q.exec(QStringLiteral(
               "SELECT EXISTS(SELECT 1 FROM steps WHERE state IN ('intent', 'copied', 'placed', "
               "'flushed')) "
               "OR EXISTS(SELECT 1 FROM gestures WHERE state = 'running')")) &&
           q.next() && q.value(0).toBool();
}

std::vector<JournalStep> JournalStore::UnfinishedSteps() {
    std::vector<JournalStep> out;
    if (!Usable()) {
        return out;
    }
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.exec(QStringLiteral("SELECT %1 FROM steps WHERE state IN ('intent', 'copied', 'placed', "
                          "'flushed') ORDER BY id")
               .arg(QLatin1String(kStepColumns)));
    while (q.next()) {
        out.push_back(StepFromRow(q));
    }
    return out;
}

std::vector<Gesture> JournalStore::GesturesInState(const char* state) {
    if (!Usable()) {
        return {};
    }
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.prepare(QStringLiteral("SELECT %1 FROM gestures WHERE state = ? ORDER BY id")
                  .arg(QLatin1String(kGestureColumns)));
    q.addBindValue(QString::fromLatin1(state));
    q.exec();
    return GestureRows(q);
}

std::vector<Gesture> JournalStore::Recent(int count) {
    if (!Usable()) {
        return {};
    }
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.prepare(QStringLiteral("SELECT %1 FROM gestures WHERE state <> 'running' ORDER BY id DESC "
                             "LIMIT ?")
                  .arg(QLatin1String(kGestureColumns)));
    q.addBindValue(count);
    q.exec();
    return GestureRows(q);
}

std::optional<Gesture> JournalStore::GestureById(int64_t id) {
    if (!Usable()) {
        return std::nullopt;
    }
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.prepare(
        QStringLiteral("SELECT %1 FROM gestures WHERE id = ?").arg(QLatin1String(kGestureColumns)));
    q.addBindValue(static_cast<qint64>(id));
    if (!q.exec() || !q.next()) {
        return std::nullopt;
    }
    return GestureFromRow(q);
}

std::vector<JournalStep> JournalStore::StepsOf(int64_t gesture) {
    std::vector<JournalStep> out;
    if (!Usable()) {
        return out;
    }
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.prepare(QStringLiteral("SELECT %1 FROM steps WHERE gesture = ? ORDER BY id")
                  .arg(QLatin1String(kStepColumns)));
    q.addBindValue(static_cast<qint64>(gesture));
    q.exec();
    while (q.next()) {
        out.push_back(StepFromRow(q));
    }
    return out;
}

void JournalStore::Prune() {
    if (!Usable()) {
        return;
    }
    Begin();
    const QString oldest = QStringLiteral("(SELECT id FROM gestures ORDER BY id DESC LIMIT 1 "
                                          "OFFSET %1)")
                               .arg(kHistoryLength - 1);
    Exec(QStringLiteral("DELETE FROM steps WHERE gesture < %1").arg(oldest));
    Exec(QStringLiteral("DELETE FROM gestures WHERE id < %1").arg(oldest));
    Commit();
}

} // namespace ferrolet
