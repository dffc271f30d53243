#pragma once

// What the Access reader (livro-caixa-mdb, a program of its own so that a
// crash inside libmdb cannot take the cash book down) writes on its standard
// output, and how the program reads it back.
//
// One record a line, fields separated by tabs. Inside a field a backslash,
// tab, line feed and carriage return are written \\, \t, \n and \r; \N alone
// is a null. The lines, in order:
//
//   livro-caixa-mdb  <version>
//   file   <page size>  <page count>
//   table  <name>  <rows in the table definition>  <columns>     once per table
//   column <name>  <libmdb type>  <size in bytes>                 once per column
//   rows   <name>                                                 once per table
//   r      <value>...                                             once per row
//   end    <name>  <rows read>
//   done
//
// A refusal ends the output with "error <code> <details>..." and exit code 2.
// Any text on standard error is a warning of libmdb and makes the read fail.
namespace ReaderProtocol {

inline constexpr int kVersion = 1;
inline constexpr char kProgram[] = "livro-caixa-mdb";

enum ExitCode { ExitOk = 0, ExitRefused = 2, ExitUsage = 3 };

// Codes of the error line.
inline constexpr char kErrorSize[] = "size";       // <file bytes> <page size>
inline constexpr char kErrorOpen[] = "open";       // not readable as an Access file
inline constexpr char kErrorCatalog[] = "catalog"; // the list of tables cannot be read
inline constexpr char kErrorTable[] = "table";     // <name>: no such table
inline constexpr char kErrorColumns[] = "columns"; // <name>: its columns cannot be read
inline constexpr char kErrorPage[] = "page";       // <page>: a page is not whole in the file
inline constexpr char kErrorCount[] = "count";     // <table> <declared> <read>
inline constexpr char kErrorText[] = "text"; // <table> <column>: a text too long to read whole

// libmdb's column types that a cash book uses.
enum ColumnType {
    TypeBool = 0x01,
    TypeByte = 0x02,
    TypeInt = 0x03,
    TypeLongInt = 0x04,
    TypeMoney = 0x05,
    TypeDateTime = 0x08,
    TypeText = 0x0a,
    TypeMemo = 0x0c,
};

} // namespace ReaderProtocol
