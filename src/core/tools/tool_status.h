// The outcome of an editing tool or file copier: success, or the reason it failed.
#pragma once

#include <string>
#include <utility>

namespace velmora {

struct TToolStatus {
    bool Ok = false;
    std::string Reason;  // why it failed, worded for the log; empty on success

    static TToolStatus Success() { return {true, {}}; }
    static TToolStatus Failure(std::string reason) { return {false, std::move(reason)}; }
    explicit operator bool() const { return Ok; }
};

// The system's text for errno, e.g. "No space left on device".
std::string ErrnoText(int error);

}  // namespace velmora
