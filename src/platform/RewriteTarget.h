#pragma once

#include <string>

namespace kestrum {

// The file that rewriting `path` in place replaces, and whether that may be done.
//
// A rewrite makes the new file beside the old one and renames it over it. Done at a symbolic link it
// would put a copy of what the link points to in the link's folder, in place of the link, where the
// user who planted the link may read it. So a link is followed only when it is this user's own: the
// link, and the folder it is in, belong to this user or to root and cannot be written by group or
// others; every link on the way is checked so, and its target (found with realpath only then) must be
// a file in a folder this user may write. That file is rewritten in its own folder; the links stay.
// A folder on the way that is a link leads the rewrite to the folder it points to: the new file is
// made there, beside the file it replaces, so nothing goes where it was not.
struct RewriteTarget {
    std::string path;    // the file to rewrite: `path` itself when it is no link, else where it leads
    std::string folder;  // the folder of that file, where the new file is made and renamed
    std::string name;    // its name in that folder
    std::string refusal; // when not empty nothing may be written: why, as words completing "it ..."
};
RewriteTarget rewriteTargetOf(const std::string& path);

} // namespace kestrum
