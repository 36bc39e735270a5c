// SPDX-License-Identifier: MIT
#include "ErrorHandling.h"

#include <exception>
#include <new>

namespace mirablot {

Error CurrentError() {
  try {
    throw;
  } catch (const Error& error) {
    return error;
  } catch (const std::bad_alloc&) {
    return Error(ErrorNumber::OutOfMemory);
  } catch (const std::exception& exception) {
    return Error(ErrorNumber::InternalError,
                 std::string(StandardDescription(ErrorNumber::InternalError)) + " (" +
                     exception.what() + ")");
  } catch (...) {
    return Error(ErrorNumber::InternalError);
  }
}

}  // namespace mirablot
