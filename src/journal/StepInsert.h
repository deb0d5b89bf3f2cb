#pragma once

#include "journal/JournalRecords.h"

#include <QSqlDatabase>

#include <cstdint>

struct sqlite3;
struct sqlite3_stmt;

namespace ferrolet {

// The journal's one hot statement: a step row inserted for every item a long
// run files. Prepared once on the connection's own SQLite handle and bound
// straight from the step's strings: Qt's positional binding makes a
// placeholder name and a QVariant per value, which cost more than the insert.
// Runs inside the transaction the connection has open.
class StepInsert {
public:
    StepInsert() = default;
    ~StepInsert();
    StepInsert(const StepInsert&) = delete;
    StepInsert& operator=(const StepInsert&) = delete;

    // Whether it could be prepared on db (an SQLite connection).
    bool Prepare(const QSqlDatabase& db);
    // The new row's id, or 0 when the insert failed.
    int64_t Run(const JournalStep& step);

private:
    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_statement = nullptr;
};

} // namespace ferrolet
