// Inside the POSIX layer: Windows paths to host paths and back, and the
// attribute record kept in the user.DOSATTRIB extended attribute.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace platform::posix {

// Drive letter (upper case) to host folder, without a trailing '/' ("" for
// the root). Parsed from KESTRO_DRIVES ("C=/;E=/mnt/backup"; C: is / when it
// is unset) once per process.
using DriveMap = std::map<wchar_t, std::string>;
DriveMap parse_drive_map(const char* mappings);
// Makes `map` the drive map of this process until called with nullptr (tests).
void override_drive_map(const DriveMap* map);

// Host path of a Windows path: "\\?\" dropped, the drive mapped (C: is / unless
// KESTRO_DRIVES says otherwise), '\' made '/'. False for a path that names
// nothing on this host (an unmapped drive, a UNC path).
bool to_host(const std::wstring& path, std::string& host);
// Drive form of an absolute host path, under the longest mapped folder that
// holds it. False when no drive maps a folder that holds it.
bool from_host(const std::string& host, std::wstring& path);

// What user.DOSATTRIB holds.
struct DosAttrib {
    bool present = false;
    uint32_t attributes = 0;
    bool has_creation_time = false;
    FileTime creation_time = 0;
};
// Parses an attribute value: "0x<hex>" and, after a NUL, a version 3 or 4 blob.
DosAttrib parse_dos_attrib(const char* value, size_t length);
// The value written: "0x%x", NUL, padding to an even length, version 3 blob.
std::string encode_dos_attrib(uint32_t attributes, FileTime creation_time);

DosAttrib read_dos_attrib(const std::string& host, int fd = -1);
bool write_dos_attrib(const std::string& host, int fd, uint32_t attributes, FileTime creation_time);
struct ChangePlace;
// The same for the entry at `place`, never through a link there.
bool write_dos_attrib_at(const ChangePlace& place, uint32_t attributes, FileTime creation_time);

FileTime to_filetime(const struct timespec& t);
struct timespec from_filetime(FileTime t);

// Everything the layer reports about one entry.
struct EntryInfo {
    uint32_t attributes = 0;
    FileTime creation = 0, last_access = 0, last_write = 0;
    uint64_t size = 0;
    bool is_link = false;
    bool is_special = false;  // a FIFO, socket or device: no file whose data can be copied
};
// Follows links like Windows shows the target's data; false when absent.
bool entry_info(const std::string& host, EntryInfo* info);
// The same for the entry `name` of the open folder `dir_fd` whose path is `host`
// (a listing looks its entries up without walking the folder's path each time).
// Without `with_attribute_record` user.DOSATTRIB is not read: hidden, system,
// archive and the creation time are then only what the host itself shows.
bool entry_info_at(int dir_fd, const char* name, const std::string& host, EntryInfo* info,
                   bool with_attribute_record = true);

// The find record of an entry named `name` (its short name is left as it is).
void fill_find_record(const EntryInfo& info, std::wstring_view name, FindRecord* rec);

// Puts what user.DOSATTRIB of `host` holds into attributes and a creation time
// that entry_info_at gave without reading it.
void complete_attributes(const std::string& host, uint32_t* attributes, FileTime* creation);

// Where a change to the entry `host` is made: the open folder that holds it
// and its name there. Beneath the destination root (confine_changes_beneath)
// the folder is reached from the root through no link but those the rule
// allows; elsewhere the whole path is used as it is (AT_FDCWD).
struct ChangePlace {
    int dir = AT_FDCWD;
    const char* name = nullptr;  // in `host`
};
// False (errno set) when the folder cannot be reached or a link on the way
// was refused (take_refused_link names it).
bool place_for_change(const std::string& host, ChangePlace* place);
// A descriptor of the folder `folder` for changes in it, reached as
// place_for_change reaches it; -1 when it cannot be. It stays open (and
// owned by the layer) until this thread has asked for two other folders:
// the files of one folder come one after another.
int folder_for_change(std::string_view folder);

// Gives the terminal back the settings a key read changed (at exit, also from
// the interrupt thread).
void restore_terminal();

}  // namespace platform::posix
