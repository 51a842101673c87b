#pragma once

// Fault injection for tests: the file calls of the process (open, write, sync, rename, close) are
// counted while a run is on, and the Nth of them fails with a chosen errno, once or from then on.
// The calls are interposed by the test executable itself (link with regalon_faults), so the code
// under test, Qt and the SQLite engine all go through them. Writes to stdin, stdout and stderr are
// neither counted nor failed.

#include <cstdint>
#include <optional>
#include <string>

namespace faults {

enum class Call : uint8_t { Open, Write, Sync, Rename, Close };

struct Plan {
    int64_t Nth = 0;        // 1-based among the counted calls (of Kind only, when given); 0: none fails
    int Error = 0;          // EIO, ENOSPC, ...
    bool Persistent = false;  // every call from the Nth on fails too
    std::optional<Call> Kind;   // only calls of this kind are numbered and failed
    std::string Path;           // when given, only opens of exactly this path are
};

// The Nth counted call fails.
Plan NthCall(int64_t nth, int error, bool persistent = false);
// The Nth call of the kind fails.
Plan NthOf(Call kind, int64_t nth, int error, bool persistent = false);
// The Nth open of exactly this path fails.
Plan NthOpenOf(const std::string& path, int64_t nth, int error, bool persistent = false);

// Starts counting from zero with the plan; Stop() ends it and gives the number of calls counted.
void Start(const Plan& plan = {});
int64_t Stop();
// The calls of a kind counted since Start().
int64_t Count(Call call);
// Whether a call was failed since Start().
bool Fired();

// Ends the run whatever leaves the scope.
class Run {
public:
    explicit Run(const Plan& plan = {}) { Start(plan); }
    ~Run() { Stop(); }
    Run(const Run&) = delete;
    Run& operator=(const Run&) = delete;
};

}  // namespace faults
