#pragma once

#include "base/StatusCode.h"

#include <cstdint>
#include <string>
#include <utility>

namespace kestrel {

// Why a conversion could not go on: one of the codes of StatusCode.h with
// the values its message prints.
struct Failure {
    Failure() = default;
    Failure(int32_t code, uint32_t detail = 0, uint32_t detail2 = 0) : code(code), detail(detail), detail2(detail2) { }

    int32_t code = status::kNone;
    uint32_t detail = 0;         // the offending FOURCC, bit count, width or frame number, as the code says
    uint32_t detail2 = 0;        // a second value for the messages that print two (a height)
    uint64_t offset = 0;         // kChunkOverrun: the chunk's offset in the source
    uint32_t parent = 0;         // kChunkOverrun: the type of the list it overruns; 0 for the file itself
    int systemError = 0;         // errno of a failed open, read, write or rename; 0 when none
    std::string libraryMessage;  // the JPEG library's own words, when it gave up
};

// What a step of the conversion returns: done, stopped at the user's
// request, or failed for a reason. Nothing is thrown.
class [[nodiscard]] Status {
public:
    Status() = default;
    Status(Failure failure) : kind_(Kind::Failed), failure_(std::move(failure)) { }
    static Status Stopped()
    {
        Status status;
        status.kind_ = Kind::Stopped;
        return status;
    }
    static Status Fail(int32_t code, uint32_t detail = 0, uint32_t detail2 = 0)
    {
        return Failure{code, detail, detail2};
    }
    // A system call's failure: `code`, and the system's error number.
    static Status FailSystem(int32_t code, int systemError)
    {
        Failure failure(code);
        failure.systemError = systemError;
        return failure;
    }

    bool Ok() const { return kind_ == Kind::Ok; }
    bool IsStopped() const { return kind_ == Kind::Stopped; }
    bool IsFailed() const { return kind_ == Kind::Failed; }
    const Failure& failure() const { return failure_; }
    Failure& failure() { return failure_; }

private:
    enum class Kind { Ok, Stopped, Failed };
    Kind kind_ = Kind::Ok;
    Failure failure_;
};

}  // namespace kestrel
