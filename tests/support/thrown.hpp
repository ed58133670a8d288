// Test support: what a call throws, so that a test checks the message (or, for an exception
// that carries none, its values) and not merely the exception's type.
#pragma once

#include <gtest/gtest.h>

#include <exception>
#include <optional>
#include <string>
#include <typeinfo>

namespace itemdif::testing {

/// Runs `action` and returns the `Exception` it throws; the test fails, and the result is
/// empty, when it returns normally or throws anything else.
template <typename Exception, typename Action>
std::optional<Exception> thrown(Action&& action) {
  try {
    action();
  } catch (const Exception& caught) {
    return caught;
  } catch (const std::exception& other) {
    ADD_FAILURE() << "expected " << typeid(Exception).name() << ", caught "
                  << typeid(other).name() << ": " << other.what();
    return std::nullopt;
  } catch (...) {
    ADD_FAILURE() << "expected " << typeid(Exception).name() << ", caught something else";
    return std::nullopt;
  }
  ADD_FAILURE() << "expected " << typeid(Exception).name() << ", nothing was thrown";
  return std::nullopt;
}

/// The what() of the `Exception` that `action` throws; "(nothing thrown)" when it throws none
/// of that type (the test has failed then), so a comparison with the expected text fails too.
template <typename Exception, typename Action>
std::string thrown_message(Action&& action) {
  const std::optional<Exception> caught = thrown<Exception>(action);
  return caught ? std::string(caught->what()) : std::string("(nothing thrown)");
}

}  // namespace itemdif::testing
