#pragma once
// The rules the program's statements follow, in SQLite's dialect:
//
//  1. Texts are joined with ||, which gives null when either side is null:
//     "Str(x) || ' ' || Descript" is null for a null Descript.
//  2. The column Group is written [Group] everywhere, also after a table name
//     (AddressBook.[Group]), since GROUP is a keyword in SQLite even there.
//  3. Int(x) returns the date of a date-time: it truncates toward zero, which
//     for the negative values of dates before 1899-12-30 is still the date
//     (-1.25 is 1899-12-29 06:00, its date -1). Plain numbers are never passed
//     to Int by the program.
//  4. Now(), Int(), TimeValue(), Month(), Day(), Str() and Fold() are
//     functions we register on the connection (sql_functions.cpp); Now()
//     reads the program's clock service, so tests control it. They appear in
//     queries only, never in a trigger or a stored definition, so another
//     program can still write the file.
//  5. Time values are always bound as doubles, never passed through text.
//  6. The to-do list's statement names its index (ToDo INDEXED BY
//     ToDo_ShowDT), so its rows come in ShowDT order without a sort and a
//     long list shows its first rows at once. The rows are the same.
//  7. A day-equality test "Int(ShowDT) = Int(:d)" is followed by the range
//     "AND (ShowDT > Int(:dFrom) - 1) AND (ShowDT < Int(:dTo) + 1)" (same
//     value under two more names), which every row of that day satisfies, so
//     the rows are the same while the ShowDT index finds them instead of a
//     scan of the whole table (the schedule, the day-info panel).
//
// Everything else (IN lists, LEFT JOIN nested in parentheses, UNION with
// ORDER BY a column name, ORDER BY 1, Min() over no rows giving one null row,
// named parameters written :Name) is accepted by SQLite as written.

namespace ostrel::sql {

// Joins a statement's lines the way the query object does.
inline constexpr const char* kLineBreak = "\r\n";

}  // namespace ostrel::sql
