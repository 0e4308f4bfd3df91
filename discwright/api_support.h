// Shared plumbing of the C API: every call runs its body under guarded(), which
// turns exceptions into the error triple and never lets one cross the C boundary.
#pragma once

#include <cstdint>
#include <exception>
#include <new>
#include <string>

#include "Discwright.h"
#include "error.h"

namespace discwright {

struct Triple {
  char* text;
  uint32_t textSize;
  uint32_t* status;
  void* failureInfo;  // may be null (file-tree calls)
};

void clearTriple(const Triple& triple);
uint8_t fillTriple(const Triple& triple, uint8_t code, const std::string& message, uint32_t status);

template <class Body>
uint8_t guarded(const Triple& triple, Body&& body) noexcept {
  clearTriple(triple);
  try {
    body();
    return DW_E_OK;
  } catch (const DwError& e) {
    return fillTriple(triple, e.code(), e.what(), e.status());
  } catch (const std::bad_alloc&) {
    return fillTriple(triple, DW_E_INTERNAL, "Out of memory", 0);
  } catch (const std::exception& e) {
    return fillTriple(triple, DW_E_INTERNAL, std::string("Internal error: ") + e.what(), 0);
  } catch (...) {
    return fillTriple(triple, DW_E_INTERNAL, "Internal error", 0);
  }
}

template <class T>
T& required(T* pointer, const char* what) {
  if (!pointer) throw DwError(DW_E_INVALID_ARGUMENT, std::string("Missing argument: ") + what, senses::kInvalidField);
  return *pointer;
}

}  // namespace discwright
