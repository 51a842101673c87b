#pragma once

#include <QString>

// A Unix socket file made by a test at a given path: one nobody listens on (what a crash leaves
// behind), or one a listener holds without ever accepting or answering (a squatter).
class TSocketFile {
public:
    enum class Kind { Stale, Silent };
    TSocketFile(const QString& path, Kind kind);
    ~TSocketFile();
    TSocketFile(const TSocketFile&) = delete;
    TSocketFile& operator=(const TSocketFile&) = delete;

    bool Made() const { return made_; }
    // Whether someone has connected to the silent listener since it was made.
    bool Contacted() const;

private:
    int fd_ = -1;
    bool made_ = false;
};
