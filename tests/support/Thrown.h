#pragma once

// The exception of type E that `f` throws, or nothing when it returns normally, so a test can
// check the kind and text of a refusal in one line.

#include <optional>
#include <string>

namespace fixture {

template <class E, class F> std::optional<E> Thrown(F&& f) {
    try {
        f();
    } catch (const E& e) {
        return e;
    }
    return std::nullopt;
}

// The text of the exception of type E that `f` throws, or "no error".
template <class E, class F> std::string Refusal(F&& f) {
    const auto e = Thrown<E>(f);
    return e ? e->what() : "no error";
}

} // namespace fixture
