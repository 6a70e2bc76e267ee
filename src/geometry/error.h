#pragma once

#include <stdexcept>
#include <string>

namespace tesk::geometry {

/// What kind of run-time failure ended a command. The command handlers turn every code but
/// EmptyPath into the same user message; the code is kept for tests and for the CLI's detail line.
enum class ErrorCode {
    EmptyPath,       ///< a file was to be opened from an empty path: the user cancelled a dialog
    FileAccess,      ///< a file could not be opened, read or written
    Format,          ///< a field that is not a number, too few fields, a limit exceeded
    IndexOutOfRange, ///< an index outside a table
    DivisionByZero,  ///< a geometric quantity divides by zero (zero deflection, R = 0, ...)
    NonFinite,       ///< a computation overflowed or produced a value that is not finite
    Geometry,        ///< a station that no rule of the alignment can evaluate
    Cancelled,       ///< the user cancelled an interactive step (a pick)
    Output,          ///< a drawing or sheet operation was refused
};

/// The one exception type for run-time failures. Thrown deep inside, caught only by the command
/// handlers (and the CLI's main).
class RuntimeError : public std::runtime_error {
public:
    /// `detail` is the message; a NUL byte in it (from a file's text) is kept as "\\0", since
    /// what() would end the message there.
    RuntimeError(ErrorCode code, const std::string& detail)
        : std::runtime_error(WithoutNul(detail)), m_code(code) {}

    ErrorCode Code() const noexcept { return m_code; }

private:
    static std::string WithoutNul(const std::string& text);

    ErrorCode m_code;
};

/// Throws RuntimeError(NonFinite) naming `what` unless `value` is finite; returns it otherwise.
double RequireFinite(double value, const char* what);

/// Returns a / b, or throws RuntimeError(DivisionByZero) naming `what` when b is 0, and
/// RuntimeError(NonFinite) when the quotient is not finite.
double Divide(double a, double b, const char* what);

} // namespace tesk::geometry
