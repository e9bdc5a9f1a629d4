#pragma once

// A hook that whoever builds a set of hooks must give. It has no default, so a set built without
// it does not compile; one given empty stops the program where it is built, not later, silently,
// when a control that calls it does nothing. A hook that may really be left out stays a plain
// std::function and says so.

#include <QtGlobal>
#include <cstddef>
#include <functional>
#include <type_traits>
#include <utility>

namespace quorvane {

template<class Signature>
class Required;

template<class R, class... Args>
class Required<R(Args...)> {
public:
    using Function = std::function<R(Args...)>;

    template<class F, class = std::enable_if_t<!std::is_same_v<std::decay_t<F>, Required> &&
                                               std::is_invocable_r_v<R, F&, Args...>>>
    Required(F hook) : function_(std::move(hook)) {
        if (!function_) qFatal("A required hook was given empty");
    }
    Required(std::nullptr_t) = delete;

    R operator()(Args... args) const { return function_(std::forward<Args>(args)...); }

    // For a part that keeps a plain function.
    const Function& function() const { return function_; }
    operator Function() const { return function_; }

private:
    Function function_;
};

} // namespace quorvane
