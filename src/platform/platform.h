// The file, time and console services kestro needs, with Windows semantics on
// every host. The program above this layer never includes a host header: it
// speaks Windows paths ("\\?\C:\dir\file"), Windows attributes and FILETIMEs.
// win32/ implements this with the real API; posix/ gives the same behaviour on
// a POSIX host (see ARCHITECTURE.md: drive mapping, short names, user.DOSATTRIB).
#pragma once

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// ---- Attributes (the Windows FILE_ATTRIBUTE_* values) --------------------
constexpr uint32_t ATTR_READONLY = 0x1;
constexpr uint32_t ATTR_HIDDEN = 0x2;
constexpr uint32_t ATTR_SYSTEM = 0x4;
constexpr uint32_t ATTR_DIRECTORY = 0x10;
constexpr uint32_t ATTR_ARCHIVE = 0x20;
constexpr uint32_t ATTR_NORMAL = 0x80;
constexpr uint32_t ATTR_SPARSE_FILE = 0x200;  // Windows only: POSIX tells holes by the file itself
constexpr uint32_t ATTR_REPARSE_POINT = 0x400;  // a link (to a folder or file)
constexpr uint32_t ATTR_ENCRYPTED = 0x4000;
constexpr uint32_t INVALID_ATTRIBUTES = 0xFFFFFFFFu;

// A FILETIME: 100 ns units since 1601-01-01 UTC.
using FileTime = uint64_t;
constexpr FileTime FILETIME_UNIX_EPOCH = 116444736000000000ULL;  // 1970-01-01

// ---- Directory search ------------------------------------------------------
// The directory-listing record of one entry, shaped like WIN32_FIND_DATAW.
struct FindRecord {
    uint32_t attributes = 0;
    FileTime creation_time = 0;
    FileTime last_access_time = 0;
    FileTime last_write_time = 0;
    uint32_t size_high = 0;
    uint32_t size_low = 0;
    wchar_t name[260] = {};       // long name
    wchar_t short_name[14] = {};  // generated 8.3 name, empty when the long name is valid 8.3

    uint64_t size() const { return (uint64_t(size_high) << 32) | size_low; }
};

struct FindState;  // opaque
using FindHandle = FindState*;

// Lists the entries of the folder of `pattern` ("dir\*.TXT") whose long or
// short name matches the last component with the Windows wildcard rules, "."
// and ".." first. Returns nullptr when the folder cannot be listed or nothing
// matches; otherwise `rec` holds the first match.
FindHandle find_first(const wchar_t* pattern, FindRecord* rec);
// Like find_first for a caller that wants only the folders of a listing: the
// host may leave out entries that are not folders where it can tell them
// without a lookup (FindExSearchLimitToDirectories). Callers still test the
// folder attribute of what they get.
FindHandle find_first_folders(const wchar_t* pattern, FindRecord* rec);
// Like find_first for a caller that uses only the folder bit, the size and
// the write and access times of most entries: the host may leave hidden,
// system, archive and the creation time unread (on POSIX: no user.DOSATTRIB
// per entry) until complete_find_record reads them for one entry.
FindHandle find_first_sizes(const wchar_t* pattern, FindRecord* rec);
// Gives a record of find_first_sizes for the entry at `path` the attributes
// and creation time find_first would have given it. False when they could
// not be read (the record then keeps what it had).
bool complete_find_record(const wchar_t* path, FindRecord* rec);
bool find_next(FindHandle h, FindRecord* rec);
void find_close(FindHandle h);

// An entry a folder lists but the host cannot look up: a link that leads
// nowhere (or an entry gone meanwhile), with the host's reason (as
// last_failure). Windows lists such an entry as it is; POSIX leaves it out
// of the listing, as Windows would show no target, and names it here.
struct UnreachableEntry {
    std::wstring name;
    int failure = 0;
};
// Why the last find_first* of this thread gave nothing: 0 when the folder
// was listed and nothing matched, else the host's reason (as last_failure).
int find_failure();
// The entries the listing `h` could not look up.
const std::vector<UnreachableEntry>& find_unreachable(FindHandle h);
// The find record of the one entry that `path` names (a name without
// wildcards; on Windows also an 8.3 name, while on POSIX each host name is
// its own file and a generated short name finds nothing), without listing
// the whole folder. Its short name may be left empty. False when nothing is there. Without
// `with_attributes` the record's attributes and creation time may be left 0
// (saves reading them where only write and access times count).
bool find_entry(const wchar_t* path, FindRecord* rec, bool with_attributes = true);

// The identity of the file or folder a path leads to (links followed): the
// volume and file id on Windows, device and inode on POSIX. Lets the walk
// notice a folder link that leads back into its own tree.
struct FileIdentity {
    uint64_t volume = 0;
    uint64_t id = 0;
    bool operator==(const FileIdentity& other) const { return volume == other.volume && id == other.id; }
};

// ---- Folders read whole ---------------------------------------------------
// Where a listing costs a lookup per entry (POSIX), a walk reads each folder
// once for all its patterns, and may read folders ahead on threads of its own.
// Where the system's search returns every record at once (Windows), this
// does not pay and the walk lists by pattern.
bool folder_reading_pays();

// One entry of a folder read whole. Only entries that may be folders and those
// that matched a pattern given to read_folder are looked up (`has_record`).
// Its names lie in the listing's name arenas: a folder of a million entries
// costs little more than its names.
struct FolderEntry {
    uint32_t name_at = 0;  // in FolderListing::names
    uint16_t name_length = 0;
    uint8_t short_length = 0;  // 0 when the long name is valid 8.3
    bool has_record = false;
    uint32_t short_at = 0;  // in FolderListing::short_names
    uint32_t attributes = 0;
    uint64_t size = 0;
    FileTime creation = 0, last_access = 0, last_write = 0;
};
struct FolderListing {
    bool listed = false;     // false: the folder could not be read
    int failure = 0;         // then the host's reason (as last_failure)
    std::vector<UnreachableEntry> unreachable;
    bool with_dots = false;  // find_first would have listed "." and ".." (no drive root)
    FileIdentity identity;   // of the folder itself (POSIX; zero on Windows)
    std::vector<FolderEntry> entries;  // in listing order, without "." and ".."
    std::wstring names;                // the long names, one after another
    std::wstring short_names;          // the short names, one after another

    std::wstring_view name(const FolderEntry& e) const { return {names.data() + e.name_at, e.name_length}; }
    std::wstring_view short_name(const FolderEntry& e) const {
        return {short_names.data() + e.short_at, e.short_length};
    }
    // A new entry named `name` (at most 65,535 characters), without a record.
    FolderEntry& add(std::wstring_view name);
    void give_short_name(FolderEntry& e, std::wstring_view short_name);
};
// Reads `folder` (ending with '\'). `patterns` hold no folder part; the
// entries are matched with them alone (folder_entry_matches): where each
// matches every name, no short names are made. `with_attribute_records` as
// find_first, otherwise as find_first_sizes.
FolderListing read_folder(const std::wstring& folder, const std::vector<std::wstring>& patterns,
                          bool with_attribute_records);
// Matches the entry as find_first would match it with `pattern`.
bool folder_entry_matches(const std::wstring& pattern, const FolderListing& listing, const FolderEntry& entry);
// The find record of a looked-up entry.
void fill_find_record(const FolderListing& listing, const FolderEntry& entry, FindRecord* rec);

// What find_entry without attributes tells of an entry, read ahead.
struct EntryTimes {
    bool found = false;
    bool is_folder = false;
    uint64_t size = 0;
    FileTime last_access = 0, last_write = 0;
};
// Looks up each of `names` in `folder` (ending with '\') with the folder
// open, following links, by its exact spelling only: "not found" means only
// that the caller must look the name up itself. `*folder_reached` tells
// whether the folder was opened as changes in it reach it (beneath the
// destination root, through no refused link). False when the host does not
// read folders whole.
bool look_up_entry_times(const std::wstring& folder, const std::vector<std::wstring_view>& names,
                         std::vector<EntryTimes>* times, bool* folder_reached);

// ---- Attributes and lookups ----------------------------------------------
uint32_t get_file_attributes(const wchar_t* path);  // INVALID_ATTRIBUTES when absent
// True when `path` names a folder (links followed). Cheaper than
// get_file_attributes where the attributes are kept apart from the entry.
bool is_folder(const wchar_t* path);
bool set_file_attributes(const wchar_t* path, uint32_t attributes);
// _waccess(path, 0): the path can be reached.
bool path_accessible(const wchar_t* path);
bool get_file_identity(const wchar_t* path, FileIdentity* identity);
// The identities of `path` and of every folder above it, the real parents as
// the file system finds them through "..", past links; on Windows a "\\?\"
// path takes no "..", and goes up by its names.
std::vector<FileIdentity> identities_up_from(const std::wstring& path);

// ---- Files -----------------------------------------------------------------
enum class Access { read, read_write };
enum class Disposition { open_existing, create_always, open_always, create_new };
enum OpenFlags : unsigned {
    OPEN_NONE = 0,
    OPEN_BACKUP_SEMANTICS = 1,  // allows opening folders (for their times)
    OPEN_WRITE_THROUGH = 2,
    OPEN_SEQUENTIAL_SCAN = 4,
    // A character device (/dev/null, a terminal) opens too, as Windows opens
    // NUL: a log may be sent to one. FIFOs and sockets never open.
    OPEN_CHARACTER_DEVICE = 8,
};

struct FileState;  // opaque
using FileHandle = FileState*;

// Returns nullptr on failure. Refuses what Windows refuses (writing a
// read-only file, replacing a hidden or read-only file) even for root.
FileHandle open_file(const wchar_t* path, Access access, Disposition disposition,
                     unsigned flags = OPEN_NONE);
// Reads up to `size` bytes; false on a read error. *done = 0 at the end.
bool read_file(FileHandle h, void* buffer, uint32_t size, uint32_t* done);
// Writes all of `size` bytes or fails (short writes are retried inside).
bool write_file(FileHandle h, const void* buffer, uint32_t size, uint32_t* done);
bool seek_file(FileHandle h, int64_t offset, int whence /* SEEK_SET, SEEK_CUR, SEEK_END */,
               int64_t* new_position = nullptr);
bool set_end_of_file(FileHandle h);
bool get_file_size(FileHandle h, uint64_t* size);
bool set_file_times(FileHandle h, const FileTime* creation, const FileTime* last_access,
                    const FileTime* last_write);
void close_file(FileHandle h);

// Whole-file copy as CopyFileW: data, the source's attributes and last write
// time. With fail_if_exists false an existing destination is replaced, unless
// it is read-only or hidden (then it fails as Windows does). `copied` (when
// given) receives the bytes copied, which differ from the size listed before
// when the source changed meanwhile. The holes of a sparse source stay holes
// in the copy, whose data is the same byte for byte: on POSIX the copy finds
// them itself (SEEK_DATA, SEEK_HOLE); on Windows `source_attributes`, as the
// source was listed, tell a sparse source (ATTR_SPARSE_FILE), whose allocated
// ranges alone are then written into a sparse copy.
bool copy_file(const wchar_t* source, const wchar_t* destination, bool fail_if_exists, uint64_t* copied = nullptr,
               uint32_t source_attributes = 0);
// What a copy is given before it takes its final name.
struct CopyDetails {
    uint32_t attributes = 0;  // as set_file_attributes takes them
    FileTime creation = 0, last_access = 0, last_write = 0;
};
// Whole-file copy into `new_file`, which must not exist yet (a temporary
// name), given `details` while it is open: the copy is not looked up again
// by path. A sparse source keeps its holes as with copy_file (on Windows
// when `details.attributes` carry ATTR_SPARSE_FILE). False when the data or a detail could not be given; `new_file`
// is then gone.
bool copy_file_with_details(const wchar_t* source, const wchar_t* new_file, const CopyDetails& details,
                            uint64_t* copied = nullptr);
// Whole-file copy onto `destination`, a name that is free, given `details`
// while open: the copy has no name at all until it is complete, then takes
// `destination` (never replacing anything), so an interrupted run leaves
// nothing behind. False when it could not be done this way, for whatever
// reason (no such file on this host, the name taken meanwhile, a failure);
// nothing is left then and the caller copies by another way.
bool copy_file_to_free_name(const wchar_t* source, const wchar_t* destination, const CopyDetails& details,
                            uint64_t* copied = nullptr);
// Removes from `folder` (ending with '\') what copies cut off by a kill, a
// crash or a full disk left behind: entries whose name begins with `prefix`
// (ASCII) and that `abandoned` accepts, only if they are regular files (never
// a folder, a link or another entry), and only those no run is writing: on
// POSIX those unchanged since `since`, on Windows those nobody has open (the
// removal of a file in use fails there). Returns how many were removed.
int remove_abandoned_files(const std::wstring& folder, const wchar_t* prefix,
                           bool (*abandoned)(const std::wstring& name), FileTime since);
bool create_directory(const wchar_t* path);
// True when the host can tell that `path` lies on a rotating disk, where
// copies side by side cost seeks instead of saving time. A virtual disk
// cannot tell.
bool on_rotating_disk(const wchar_t* path);
bool delete_file(const wchar_t* path);
// Renames, replacing an existing destination (MoveFileEx with REPLACE_EXISTING).
bool move_file_replace(const wchar_t* source, const wchar_t* destination);
// As move_file_replace, onto a destination the caller has looked up just now
// and found with `attributes`: nothing is looked up again.
bool move_file_onto(const wchar_t* source, const wchar_t* destination, uint32_t attributes);

// C runtime stream on a Windows path (_wfopen). Text mode as the runtime has it.
// A stream that writes (a log) is never a FIFO or socket: the open does not
// wait for a reader, and such an entry is refused as one that cannot be
// opened. A character device such as /dev/null is taken. A stream that
// reads is a regular file or a pipe (a FIFO: a list may come through one),
// never a folder or a device.
FILE* open_stream(const wchar_t* path, const char* mode);
// _wfopen(path, "rb") to read a file's data: only a regular file opens. A
// FIFO would give whatever some writer sends (nothing, without one), which
// is no file's data.
FILE* open_file_data_stream(const wchar_t* path);

// A nameless temporary file to write and read back (binary), in the folder
// the host keeps temporary files in: TMPDIR (else /tmp) on POSIX, the
// temporary path on Windows. It is gone once closed, or when the process
// ends. Null when none can be made. `folder` receives that folder either
// way, as the host names it.
FILE* open_temporary_stream(std::wstring* folder);

// ---- The destination tree ---------------------------------------------------
// Makes `root` (the folder the user named for the copies, followed wherever it
// leads) the destination tree of the run. On POSIX every change beneath it
// (files made, written, renamed or removed, their attributes and times,
// folders made) is reached from a descriptor of the root, name by name, and
// passes only folder links owned by the run's user or by root: a link anyone
// else planted there cannot steer a write elsewhere, not even one swapped in
// during the run. A change that would pass another link fails, and
// take_refused_link names that link. Windows follows its junctions and links
// as it always does.
void confine_changes_beneath(const std::wstring& root);
// A folder link beneath the destination root that a change would not pass.
struct RefusedLink {
    std::wstring path;
    std::wstring owner;  // the user's name, else the number
};
// The link the last refused change of this thread would not pass, then
// forgotten; false when there is none.
bool take_refused_link(RefusedLink* link);
// True when changes in `folder` are refused: a link on the way from the
// destination root is one the rule does not pass (take_refused_link names
// it). What lies beyond it is no part of the destination, even to look at.
bool changes_refused_in(const std::wstring& folder);

// ---- Paths -------------------------------------------------------------------
// _wfullpath: the absolute form of `path`; false when it exceeds `limit`
// characters or cannot be formed. On POSIX an absolute host path becomes its
// drive form.
bool full_path(const wchar_t* path, std::wstring& out, size_t limit = 32768);
std::wstring current_directory();
std::wstring program_path();  // full path of the running program

// ---- Time ------------------------------------------------------------------
FileTime now_filetime();              // GetSystemTime + SystemTimeToFileTime
int64_t now_seconds();                // _time64
bool filetime_to_local(FileTime utc, FileTime* local);  // FileTimeToLocalFileTime

struct SystemTime {
    int year, month, day_of_week, day, hour, minute, second, milliseconds;
};
bool filetime_to_systemtime(FileTime t, SystemTime* out);  // FileTimeToSystemTime
bool local_time(int64_t seconds, std::tm* out);             // _localtime64
bool utc_time(int64_t seconds, std::tm* out);               // _gmtime64
int64_t make_local_time(std::tm* t);                        // _mktime64, -1 when not representable

struct TimeZoneInfo {
    std::wstring standard_name;
    std::wstring daylight_name;
    long offset_seconds = 0;  // west positive (the runtime's _timezone)
    int daylight = 0;         // the runtime's _daylight
};
TimeZoneInfo time_zone();  // after _tzset

void sleep_ms(unsigned ms);

// ---- Console -----------------------------------------------------------------
bool key_waiting();     // _kbhit; never true for a redirected standard input
int read_key();         // _getch: one key without echo; -1 at end of input
int read_char();        // getchar-like read of standard input; -1 at end
void discard_console_input();
bool is_console(FILE* stream);
void write_console(FILE* stream, const wchar_t* text, size_t length);
// The open-file dialog (GetOpenFileNameW); false when cancelled.
bool select_file_dialog(const wchar_t* title, std::wstring& chosen);

// ---- Code pages of narrow file-name calls -------------------------------------
void set_file_apis_ansi();
void set_file_apis_oem();
bool file_apis_are_ansi();

// ---- Process ------------------------------------------------------------------
// The host's last failure on the calling thread (errno on POSIX,
// GetLastError on Windows), and the host's words for one, without a line end.
int last_failure();
std::wstring failure_text(int failure);
// True when `failure` says that nothing is there: no such file, no such
// folder on the way, no such drive.
bool failure_means_missing(int failure);
// Environment lookup; false when the variable does not exist.
bool get_env(const char* name, std::wstring* value);
// What the run does when the host reports Ctrl+C (and on POSIX SIGTERM), on
// a thread of its own, and when memory cannot be had on the installing thread
// (other threads get std::bad_alloc). Neither handler returns.
struct HostEvents {
    void (*interrupt)(void* context) = nullptr;
    void (*out_of_memory)(void* context) = nullptr;
    void* context = nullptr;
};
void install_host_events(const HostEvents& events);
// The backend's part of it: routes the host's interrupt to the run.
void install_interrupt_routing();
// True once Ctrl+C (or SIGTERM) has come. Long operations of this layer (the
// whole-file copies) then stop between chunks and fail.
bool interrupt_requested();
[[noreturn]] void exit_process(int code);
// Ends the process with `code` once `ms` milliseconds have passed, whatever
// its threads are doing then: the last resort of Ctrl+C, for a run held in a
// write (a full pipe, a hung share) that holds the streams an orderly end
// would write and flush.
void end_process_after(unsigned ms, int code);
// For fuzz targets: `hook` is called with the exit code instead of ending the
// process, and leaves by an exception. The program never sets one.
void set_exit_hook(void (*hook)(int code));

}  // namespace platform
