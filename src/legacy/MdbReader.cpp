// livro-caixa-mdb FILE TABLE...
//
// Reads the named tables of an Access (Jet) file with libmdb and writes them
// on standard output as ReaderProtocol.h describes. libmdb reads a damaged
// file without complaint and simply returns fewer rows, so this program checks
// the file on its own terms: the size is a whole number of pages, every page
// libmdb reads lies whole inside the file, and each table gives as many rows
// as its table definition counts. It runs as a child of the cash book, which
// also treats any warning libmdb prints on standard error as a failure.

#include "legacy/ReaderProtocol.h"

// mdbtools.h includes glib inside extern "C", which C++ headers refuse;
// glib included first is skipped there.
#include <glib.h>
#include <mdbtools.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace ReaderProtocol;

// Dates come out whole and in one fixed format, whatever the locale and
// whatever Format property a column carries.
constexpr char kDateFormat[] = "%Y-%m-%d %H:%M:%S";
// Room for the longest text or memo value; a value that fills it is refused
// rather than cut.
constexpr size_t kBindSize = 256 * 1024;
// Rows between flushes, so the cash book can count them as they come.
constexpr unsigned kFlushEvery = 500;

FILE* out = nullptr;

void putField(const char* text, size_t length)
{
    std::fputc('\t', out);
    for (size_t i = 0; i < length; ++i) {
        const char c = text[i];
        switch (c) {
        case '\\':
            std::fputs("\\\\", out);
            break;
        case '\t':
            std::fputs("\\t", out);
            break;
        case '\n':
            std::fputs("\\n", out);
            break;
        case '\r':
            std::fputs("\\r", out);
            break;
        default:
            std::fputc(c, out);
        }
    }
}

void putField(const std::string& text)
{
    putField(text.data(), text.size());
}

void putNull()
{
    std::fputs("\t\\N", out);
}

void putLine(const char* tag, std::initializer_list<std::string> fields)
{
    std::fputs(tag, out);
    for (const std::string& field : fields)
        putField(field);
    std::fputc('\n', out);
}

[[noreturn]] void refuse(const char* code, std::initializer_list<std::string> details = {})
{
    std::fputs("error", out);
    putField(code, std::strlen(code));
    for (const std::string& detail : details)
        putField(detail);
    std::fputc('\n', out);
    std::fflush(out);
    std::_Exit(ExitRefused);
}

// Every page libmdb reads passes through this stream. libmdb seeks to the
// start of a page before reading it, and reads a page that lies at the end of
// the file as zeros without a word, so the seek is where a missing page shows.
struct PageWatch
{
    int fd = -1;
    off64_t position = 0;
    off64_t size = 0;
    off64_t pageSize = 0;
    long long firstBadPage = -1;
};

ssize_t watchRead(void* cookie, char* buffer, size_t size)
{
    auto* watch = static_cast<PageWatch*>(cookie);
    const ssize_t got = pread(watch->fd, buffer, size, watch->position);
    if (got > 0)
        watch->position += got;
    return got;
}

int watchSeek(void* cookie, off64_t* offset, int whence)
{
    auto* watch = static_cast<PageWatch*>(cookie);
    off64_t target = *offset;
    if (whence == SEEK_CUR)
        target += watch->position;
    else if (whence == SEEK_END)
        target += watch->size;
    if (target < 0)
        return -1;
    if (whence == SEEK_SET && target + watch->pageSize > watch->size && watch->firstBadPage < 0)
        watch->firstBadPage = target / watch->pageSize;
    watch->position = target;
    *offset = target;
    return 0;
}

int watchClose(void* cookie)
{
    return close(static_cast<PageWatch*>(cookie)->fd);
}

void checkPages(const PageWatch& watch)
{
    if (watch.firstBadPage >= 0)
        refuse(kErrorPage, {std::to_string(watch.firstBadPage)});
}

// Jet 3 files have pages of 2 KB, every later version pages of 4 KB; the
// version byte sits at 0x14 of the first page.
off64_t pageSizeOf(int fd)
{
    unsigned char version = 0;
    if (pread(fd, &version, 1, 0x14) != 1)
        refuse(kErrorOpen);
    return version == 0 ? 2048 : 4096;
}

MdbHandle* openBook(const char* path, PageWatch& watch)
{
    watch.fd = open(path, O_RDONLY | O_CLOEXEC);
    struct stat info = {};
    if (watch.fd < 0 || fstat(watch.fd, &info) != 0)
        refuse(kErrorOpen);
    watch.size = info.st_size;
    watch.pageSize = pageSizeOf(watch.fd);
    if (watch.size < watch.pageSize || watch.size % watch.pageSize != 0)
        refuse(kErrorSize, {std::to_string(watch.size), std::to_string(watch.pageSize)});
    putLine("file", {std::to_string(watch.pageSize), std::to_string(watch.size / watch.pageSize)});

    MdbHandle* mdb = mdb_open(path, MDB_NOFLAGS);
    if (!mdb || mdb->fmt->pg_size != watch.pageSize)
        refuse(kErrorOpen);
    FILE* stream = fopencookie(&watch, "r", {watchRead, nullptr, watchSeek, watchClose});
    if (!stream)
        refuse(kErrorOpen);
    std::setvbuf(stream, nullptr, _IOFBF, size_t(watch.pageSize));
    std::fclose(mdb->f->stream);
    mdb->f->stream = stream;

    mdb_set_date_fmt(mdb, kDateFormat);
    mdb_set_shortdate_fmt(mdb, kDateFormat);
    mdb_set_boolean_fmt_numbers(mdb);
    mdb_set_bind_size(mdb, kBindSize);
    return mdb;
}

MdbColumn* column(MdbTableDef* table, unsigned i)
{
    return static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i));
}

// The catalog is read once: libmdb's lookup by name reads it again and
// frees the entries that earlier tables still point to.
MdbCatalogEntry* catalogEntry(MdbHandle* mdb, const char* name)
{
    for (unsigned i = 0; i < mdb->num_catalog; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        if (entry->object_type == MDB_TABLE && g_ascii_strcasecmp(entry->object_name, name) == 0)
            return entry;
    }
    return nullptr;
}

MdbTableDef* readDefinition(MdbHandle* mdb, const char* name)
{
    MdbCatalogEntry* entry = catalogEntry(mdb, name);
    MdbTableDef* table = entry ? mdb_read_table(entry) : nullptr;
    if (!table)
        refuse(kErrorTable, {name});
    if (!mdb_read_columns(table))
        refuse(kErrorColumns, {name});
    putLine("table", {name, std::to_string(table->num_rows), std::to_string(table->num_cols)});
    for (unsigned i = 0; i < table->num_cols; ++i) {
        const MdbColumn* col = column(table, i);
        putLine("column",
                {col->name, std::to_string(col->col_type), std::to_string(col->col_size)});
    }
    return table;
}

void putValue(const MdbColumn* col, const char* value, int length)
{
    // A Yes/No lives in the null bitmap: its "length" is that bit, not a size.
    if (col->col_type == TypeBool) {
        putField(value, std::strlen(value));
        return;
    }
    // libmdb gives a null and a zero-length text alike as an empty value.
    if (length <= 0 || value[0] == '\0') {
        putNull();
        return;
    }
    putField(value, std::strlen(value));
}

void readRows(MdbTableDef* table, const char* name, const PageWatch& watch)
{
    std::vector<std::vector<char>> values(table->num_cols, std::vector<char>(kBindSize, '\0'));
    std::vector<int> lengths(table->num_cols, 0);
    for (unsigned i = 0; i < table->num_cols; ++i)
        mdb_bind_column(table, int(i + 1), values[i].data(), &lengths[i]);

    putLine("rows", {name});
    mdb_rewind_table(table);
    unsigned long long read = 0;
    while (mdb_fetch_row(table)) {
        std::fputc('r', out);
        for (unsigned i = 0; i < table->num_cols; ++i) {
            if (std::strlen(values[i].data()) >= kBindSize - 1)
                refuse(kErrorText, {name, column(table, i)->name});
            putValue(column(table, i), values[i].data(), lengths[i]);
        }
        std::fputc('\n', out);
        if (++read % kFlushEvery == 0)
            std::fflush(out);
    }
    checkPages(watch);
    if (read != table->num_rows)
        refuse(kErrorCount, {name, std::to_string(table->num_rows), std::to_string(read)});
    putLine("end", {name, std::to_string(read)});
    std::fflush(out);
}

// Standard output carries the rows; anything libmdb itself prints there goes
// to standard error instead, where it counts as a warning.
FILE* takeStandardOutput()
{
    const int rows = dup(STDOUT_FILENO);
    if (rows < 0 || dup2(STDERR_FILENO, STDOUT_FILENO) < 0)
        std::exit(ExitUsage);
    FILE* stream = fdopen(rows, "w");
    if (!stream)
        std::exit(ExitUsage);
    std::setvbuf(stream, nullptr, _IOFBF, 64 * 1024);
    return stream;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "uso: %s ARQUIVO TABELA...\n", kProgram);
        return ExitUsage;
    }
    // libmdb takes its text encoding and debug switches from the environment.
    setenv("MDB_ICONV", "UTF-8", 1);
    unsetenv("MDBOPTS");
    out = takeStandardOutput();
    putLine(kProgram, {std::to_string(kVersion)});

    PageWatch watch;
    MdbHandle* mdb = openBook(argv[1], watch);
    if (!mdb_read_catalog(mdb, MDB_TABLE))
        refuse(kErrorCatalog);
    std::vector<MdbTableDef*> tables;
    for (int i = 2; i < argc; ++i)
        tables.push_back(readDefinition(mdb, argv[i]));
    checkPages(watch);
    for (size_t i = 0; i < tables.size(); ++i) {
        readRows(tables[i], argv[i + 2], watch);
        mdb_free_tabledef(tables[i]);
    }
    std::fputs("done\n", out);
    std::fflush(out);
    mdb_close(mdb);
    return ExitOk;
}
