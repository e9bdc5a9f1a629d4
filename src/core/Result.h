#pragma once

// A value or the error that prevented it. Fallible operations return this instead of throwing,
// so that nothing throws across Qt's event handlers.

#include <cassert>
#include <optional>
#include <utility>
#include <variant>

namespace quorvane {

template<class E>
struct Failure {
    E error;
};
template<class E>
Failure(E) -> Failure<E>;

template<class T, class E>
class [[nodiscard]] Result {
public:
    Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}
    template<class F>
    Result(Failure<F> failure) : state_(std::in_place_index<1>, E(std::move(failure.error))) {}

    bool ok() const { return state_.index() == 0; }
    explicit operator bool() const { return ok(); }

    T& value() & {
        assert(ok());
        return std::get<0>(state_);
    }
    const T& value() const& {
        assert(ok());
        return std::get<0>(state_);
    }
    T&& value() && {
        assert(ok());
        return std::get<0>(std::move(state_));
    }
    const E& error() const {
        assert(!ok());
        return std::get<1>(state_);
    }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }

    bool operator==(const Result&) const = default;

private:
    std::variant<T, E> state_;
};

// An operation that yields nothing but may fail: `return {};` on success.
template<class E>
class [[nodiscard]] Result<void, E> {
public:
    Result() = default;
    template<class F>
    Result(Failure<F> failure) : error_(E(std::move(failure.error))) {}

    bool ok() const { return !error_.has_value(); }
    explicit operator bool() const { return ok(); }

    const E& error() const {
        assert(!ok());
        return *error_;
    }

    bool operator==(const Result&) const = default;

private:
    std::optional<E> error_;
};

} // namespace quorvane
