// The least a copy of a tree of small files can cost on this host: each
// file copied with exactly the system calls kestro's copy makes, and nothing
// else (no decisions, no screen, no logs, no second thread). Two ways:
//   nameless  the copy is made without a name (O_TMPFILE) and named only
//             once complete, as kestro does, so that a cut copy never
//             carries a destination name
//   named     the copy is created under its name at once (O_CREAT|O_EXCL)
// Both give every copy its attribute record and its times. And the least a
// no-change update costs:
//   update    each source file and its copy looked at once (statx), the
//             folders shared among THREADS threads
//
// Usage: copy_floor nameless|named SOURCE DESTINATION
//        copy_floor update SOURCE DESTINATION THREADS
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

bool nameless = true;

// The attribute record kestro writes: a short hex text and a binary block.
const char ATTRIBUTE_RECORD[56] = "0x20";

bool copy_one(int source_dir, int destination_dir, const char* name) {
    int in = openat(source_dir, name, O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (in < 0) return false;
    struct stat st;
    if (fstat(in, &st) != 0) return close(in), false;
    int out = nameless ? openat(destination_dir, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0644)
                       : openat(destination_dir, name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (out < 0) return close(in), false;
    bool ok = true;
    for (off_t left = st.st_size; ok && left > 0;) {
        ssize_t n = copy_file_range(in, nullptr, out, nullptr, static_cast<size_t>(left), 0);
        ok = n > 0;
        left -= n;
    }
    close(in);
    ok = ok && fsetxattr(out, "user.DOSATTRIB", ATTRIBUTE_RECORD, sizeof ATTRIBUTE_RECORD, 0) == 0;
    struct timespec times[2] = {st.st_atim, st.st_mtim};
    ok = ok && futimens(out, times) == 0;
    if (ok && nameless) ok = linkat(out, "", destination_dir, name, AT_EMPTY_PATH) == 0;
    return close(out) == 0 && ok;
}

bool copy_tree(const std::string& from, const std::string& to) {
    if (mkdir(to.c_str(), 0755) != 0) return false;
    int source_dir = open(from.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    int destination_dir = open(to.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    DIR* listing = source_dir < 0 ? nullptr : fdopendir(source_dir);
    bool ok = listing && destination_dir >= 0;
    while (ok) {
        dirent* e = readdir(listing);
        if (!e) break;
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
        if (e->d_type == DT_DIR)
            ok = copy_tree(from + "/" + e->d_name, to + "/" + e->d_name);
        else
            ok = copy_one(source_dir, destination_dir, e->d_name);
    }
    if (listing) closedir(listing);
    if (destination_dir >= 0) close(destination_dir);
    return ok;
}

// The folders of `root`, itself first, each after its parent.
void list_folders(const std::string& root, std::vector<std::string>& folders) {
    folders.push_back(root);
    for (size_t next = folders.size() - 1; next < folders.size(); ++next) {
        DIR* listing = opendir(folders[next].c_str());
        if (!listing) continue;
        while (dirent* e = readdir(listing))
            if (e->d_type == DT_DIR && std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
                folders.push_back(folders[next] + "/" + e->d_name);
        closedir(listing);
    }
}

// Looks at each file of the folder `from` and at its copy in `to`; false
// when a copy is missing.
bool look_at_folder(const std::string& from, const std::string& to) {
    int source_dir = open(from.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    int destination_dir = open(to.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    DIR* listing = source_dir < 0 ? nullptr : fdopendir(source_dir);
    bool ok = listing && destination_dir >= 0;
    const unsigned mask = STATX_TYPE | STATX_MODE | STATX_SIZE | STATX_MTIME | STATX_ATIME | STATX_BTIME;
    while (ok) {
        dirent* e = readdir(listing);
        if (!e) break;
        if (e->d_type == DT_DIR) continue;
        struct statx source, copy;
        ok = statx(source_dir, e->d_name, AT_SYMLINK_NOFOLLOW, mask, &source) == 0 &&
             statx(destination_dir, e->d_name, AT_SYMLINK_NOFOLLOW, mask, &copy) == 0;
    }
    if (listing) closedir(listing);
    if (destination_dir >= 0) close(destination_dir);
    return ok;
}

bool update(const std::string& from, const std::string& to, int threads) {
    std::vector<std::string> folders;
    list_folders(from, folders);
    std::atomic<size_t> next{0};
    std::atomic<bool> ok{true};
    std::vector<std::thread> running;
    for (int t = 0; t < threads; ++t)
        running.emplace_back([&] {
            for (size_t i; (i = next++) < folders.size();)
                if (!look_at_folder(folders[i], to + folders[i].substr(from.size()))) ok = false;
        });
    for (std::thread& thread : running) thread.join();
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 5 && std::strcmp(argv[1], "update") == 0) {
        if (update(argv[2], argv[3], std::atoi(argv[4]))) return 0;
        std::fprintf(stderr, "copy_floor: a copy is missing\n");
        return 1;
    }
    if (argc != 4 || (std::strcmp(argv[1], "nameless") != 0 && std::strcmp(argv[1], "named") != 0)) {
        std::fprintf(stderr, "usage: copy_floor nameless|named SOURCE DESTINATION\n"
                             "       copy_floor update SOURCE DESTINATION THREADS\n");
        return 2;
    }
    nameless = std::strcmp(argv[1], "nameless") == 0;
    if (!copy_tree(argv[2], argv[3])) {
        std::perror("copy_floor");
        return 1;
    }
    return 0;
}
