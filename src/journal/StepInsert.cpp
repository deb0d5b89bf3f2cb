#include "journal/StepInsert.h"

#include <QSqlDriver>
#include <QVariant>

#include <sqlite3.h>

namespace ferrolet {

namespace {

void BindText(sqlite3_stmt* statement, int column, const char* text) {
    sqlite3_bind_text(statement, column, text, -1, SQLITE_STATIC);
}

void BindBytes(sqlite3_stmt* statement, int column, const std::string& bytes) {
    // Blobs, as paths are bytes; the step outlives the statement's run.
    sqlite3_bind_blob64(statement, column, bytes.data(), bytes.size(), SQLITE_STATIC);
}

} // namespace

StepInsert::~StepInsert() {
    sqlite3_finalize(m_statement);
}

bool StepInsert::Prepare(const QSqlDatabase& db) {
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0) {
        return false;
    }
    m_db = *static_cast<sqlite3* const*>(handle.constData());
    const char* sql = "INSERT INTO steps(gesture, kind, internal, from_path, to_path, partial, "
                      "device, inode, size, mtime, folder, state) "
                      "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)";
    return m_db && sqlite3_prepare_v2(m_db, sql, -1, &m_statement, nullptr) == SQLITE_OK;
}

int64_t StepInsert::Run(const JournalStep& step) {
    if (!m_statement) {
        return 0;
    }
    sqlite3_stmt* s = m_statement;
    sqlite3_bind_int64(s, 1, step.gesture);
    BindText(s, 2, StepKindText(step.kind));
    sqlite3_bind_int(s, 3, step.internal ? 1 : 0);
    BindBytes(s, 4, step.from);
    BindBytes(s, 5, step.to);
    BindBytes(s, 6, step.partial);
    // Stored as Qt stored them: 64-bit integers, the unsigned ones cast.
    sqlite3_bind_int64(s, 7, static_cast<sqlite3_int64>(step.identity.device));
    sqlite3_bind_int64(s, 8, static_cast<sqlite3_int64>(step.identity.inode));
    sqlite3_bind_int64(s, 9, static_cast<sqlite3_int64>(step.identity.size));
    sqlite3_bind_int64(s, 10, step.identity.mtimeNs);
    sqlite3_bind_int(s, 11, step.identity.folder ? 1 : 0);
    BindText(s, 12, StepStateText(step.state));
    const bool done = sqlite3_step(s) == SQLITE_DONE;
    sqlite3_reset(s);
    return done ? sqlite3_last_insert_rowid(m_db) : 0;
}

} // namespace ferrolet
