#pragma once
// Failures cross the core's boundary as values: a Result holds either a value or
// the message that says what went wrong, in words a user can act on.
#include <optional>
#include <string>
#include <utility>

namespace ledgerly {

class [[nodiscard]] Status {
public:
    Status() = default;
    static Status Fail(std::string message) { Status s; s.error_ = std::move(message); return s; }
    bool ok() const { return !error_.has_value(); }
    explicit operator bool() const { return ok(); }
    const std::string& error() const { static const std::string none; return error_ ? *error_ : none; }
private:
    std::optional<std::string> error_;
};

template <class T>
class [[nodiscard]] Result {
public:
    Result(T value) : value_(std::move(value)) {}  // NOLINT: implicit by design
    Result(Status failure) : error_(failure.error()) {}  // NOLINT
    static Result Fail(std::string message) { return Result(Status::Fail(std::move(message))); }
    bool ok() const { return value_.has_value(); }
    explicit operator bool() const { return ok(); }
    T& value() & { return *value_; }
    const T& value() const& { return *value_; }
    T&& value() && { return std::move(*value_); }
    T* operator->() { return &*value_; }
    const T* operator->() const { return &*value_; }
    T& operator*() { return *value_; }
    const T& operator*() const { return *value_; }
    const std::string& error() const { return error_; }
    Status status() const { return ok() ? Status() : Status::Fail(error_); }
private:
    std::optional<T> value_;
    std::string error_;
};

}  // namespace ledgerly
