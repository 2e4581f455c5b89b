// Engine error numbers and their messages. Every routine of the engine
// reports failure as one of these numbers (0 is success); the control turns
// the number into its ErrorMesNumber and ErrorMes properties. Numbers are
// grouped by the component that raises them: 1xxx analyses, 2xxx undo and
// redo, 3xxx entry crop, 4xxx append crop, 5xxx packet scanning, 6xxx and
// 7xxx crop, 8xxx sequence mode, 9xxx demultiplexer.
#pragma once

#include <span>
#include <string>

namespace cw {

// Numbers used across components.
inline constexpr int kErrOk = 0;
inline constexpr int kErrSourceRead = 1000;
inline constexpr int kErrMemory = 1001;
inline constexpr int kErrWrongType = 1002;
inline constexpr int kErrTooShort = 1010;
inline constexpr int kErrFileRead = 1016;

struct ErrorEntry {
  int number;
  const char* message;
};

// The whole table, sorted by number (0 "OK" included).
std::span<const ErrorEntry> errorTable();

// The message of `number`; "non-identified error" for a number not in the table.
const char* errorMessage(int number);

// Routines return their number in the low 16 bits of a result; this is that
// number as a signed 16-bit value.
int errorNumberOf(int result);

// Inside a catch handler: the error number an operation reports for the
// exception being handled, `memoryError` for a failed allocation and
// `otherError` for anything else. No exception leaves an operation or a
// control; this is where each one becomes an error of its own block.
int errorForCurrentException(int memoryError, int otherError) noexcept;

// The pair of error properties of a control.
struct ErrorState {
  int number = 0;
  std::string message;

  // Stores the number (the low 16 bits of `result`) and its message.
  void SetError(int result);
};

}  // namespace cw
