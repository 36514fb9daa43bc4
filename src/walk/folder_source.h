// Where the walk gets a folder's entries: the pattern lister (a listing of
// the folders, then one listing per file type) or the read-ahead reader (the
// folder read whole, for every type at once, on threads of its own). The
// walk is written once over either.
#pragma once

#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"
#include "state/config.h"
#include "walk/file_sink.h"

// The file types the walk lists, in list order: the list ends at an empty
// entry or at a type that begins with '-'.
std::span<const std::wstring> file_types_in_use(const Configuration& config);

// True when `dir` lies in a folder the run bypasses.
bool bypassed(const Configuration& config, const std::wstring& dir);

// How the walk reached a folder. Folders reached through a link may be
// written by the run (a link into the destination): they are never kept or
// read ahead.
enum class Reached { directly, through_link };

// One folder opened for the walk: first its subfolders, then the entries
// each file type matches.
class OpenFolder {
public:
    virtual ~OpenFolder() = default;
    // The next subfolder (never "." or ".."), its name and attributes; false
    // at the end of the folder.
    virtual bool next_subfolder(std::wstring_view* name, uint32_t* attributes) = 0;
    // The entries `type` matches, in listing order (folders among them):
    // first_match starts the listing of the folder `dir` (the one opened),
    // next_match moves on; false at its end.
    virtual bool first_match(const std::wstring& dir, const std::wstring& type) = 0;
    virtual bool next_match() = 0;
    // The current match: what the counting pass needs, then what the sink is handed.
    virtual uint32_t match_attributes() const = 0;
    virtual uint64_t match_size() const = 0;
    virtual const std::wstring& match_name() = 0;
    virtual const platform::FindRecord& match_record() = 0;
    virtual FileOrigin match_origin() const = 0;
    // The entries of the folder the host could not look up (a link that
    // leads nowhere), with its reasons.
    virtual const std::vector<platform::UnreachableEntry>& unreachable() const = 0;
};

class FolderSource {
public:
    virtual ~FolderSource() = default;
    // Before the walk of the start path `dir`.
    virtual void before_start_path(const std::wstring& dir, FileSink& sink) {
        (void)dir;
        (void)sink;
    }
    // The folder `dir` (ending with '\'); null when it cannot be listed, and
    // then `*failure` is the host's reason (0 when it only lists nothing, as
    // a drive's empty root does).
    virtual std::unique_ptr<OpenFolder> open(const std::wstring& dir, Reached how, int* failure) = 0;
};
