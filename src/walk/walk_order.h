// The order of the walk, written once for the walk itself and for the
// read-ahead that plans the copy pass's files before the walk reaches them:
// depth-first, a folder's subfolders in listing order before its own files.
// The way down is kept on the heap, not on the stack: a tree of any depth is
// walked in the stack a console program gets.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Walks from `path` (ending with '\') over `tree`, which says how:
//   bool enter(const std::wstring& path, uint32_t attributes)
//       the folder `path` (its attributes as its parent listed them; 0 for
//       the start): false when it is not walked (bypassed, unreadable, a
//       link back into the walk)
//   bool next_subfolder(std::wstring_view* name, uint32_t* attributes)
//       the next subfolder of the folder entered last and not yet left
//   void files(const std::wstring& path)   the folder's own files
//   void leave(const std::wstring& path)   done with the folder
//   void back_in(const std::wstring& path) back in a folder from a subfolder
//       walked or passed over
template <typename Tree>
void walk_in_order(std::wstring path, Tree& tree) {
    if (!tree.enter(path, 0)) return;
    std::vector<size_t> lengths{path.size()};
    while (!lengths.empty()) {
        std::wstring_view name;
        uint32_t attributes = 0;
        if (tree.next_subfolder(&name, &attributes)) {
            path.append(name).push_back(L'\\');
            if (tree.enter(path, attributes)) {
                lengths.push_back(path.size());
                continue;
            }
        } else {
            tree.files(path);
            tree.leave(path);
            lengths.pop_back();
            if (lengths.empty()) return;
        }
        path.resize(lengths.back());
        tree.back_in(path);
    }
}
