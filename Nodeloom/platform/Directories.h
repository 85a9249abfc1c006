#pragma once

#include <string>

namespace nodeloom::platform {

// The user's standard directories: documents, library and temporary files. Each can be
// redirected, for example by tests that must not write into the real home directory; setting
// the empty string goes back to the platform's own directory.
class Directories {
public:
    Directories() = delete;

    // $HOME/Documents.
    static std::string documentsDirectory();
    // $XDG_DATA_HOME, else $HOME/.local/share.
    static std::string libraryDirectory();
    // $TMPDIR, else /tmp; always ends with a separator.
    static std::string temporaryDirectory();

    static void setDocumentsDirectory(std::string path);
    static void setLibraryDirectory(std::string path);
    static void setTemporaryDirectory(std::string path);
};

}  // namespace nodeloom::platform
