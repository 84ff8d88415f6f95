#pragma once
// The preset database's statements are written in the dialect of the engine the files
// were first made for; this is the one place that turns them into SQLite's.
//
// Two things differ, and only they are changed:
//   "select top N <columns> from T ..." becomes "select <columns> from T ... limit N";
//   a table named by a word SQLite reserves (LIMIT, the limiter's table) is quoted where
//   a statement names its table: after "from", "into" and "update".
// Text between single quotes is never touched; every other statement passes unchanged.
//
// Pure; any thread.

#include <string>
#include <string_view>

namespace krm {

// The statement as SQLite runs it.
std::string ToSqliteDialect(std::string_view statement);

// Text to put between single quotes in a statement: every single quote doubled, so that a
// name such as O'Brien stays one literal and cannot end the statement's text early.
std::string SqlQuoted(std::string_view text);

// SQL names compare without regard to case (ASCII).
bool EqualNoCase(std::string_view a, std::string_view b);

} // namespace krm
