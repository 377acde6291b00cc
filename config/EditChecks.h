#pragma once
// The checks that run when the user leaves an edit: the text is parsed, a
// text that is not a number becomes the field's fallback, a value outside the
// field's range becomes the bound, and the result is written back. No check
// shows a message.

#include <QString>
#include <optional>

class QLineEdit;

namespace vantrel::config {

// A whole number as the edits hold one: optional blanks around it, an
// optional sign, decimal digits. A number too large for 64 bits reads as the
// largest (or smallest) 64-bit value, so it still ends at the field's bound.
// Anything else is not a whole number.
std::optional<long long> parseWholeNumber(const QString& text);

// Checked reading of an integer edit. A text that is not a whole number is
// replaced by `fallback`; then a value below `min` becomes `min` and one above
// `max` becomes `max`, in that order. Corrections are written back as decimal
// text; the final value is returned.
long long checkIntegerEdit(QLineEdit* edit, long long fallback, long long min, long long max);

// editToInt: as checkIntegerEdit with `min` as the fallback. The result is a
// 32-bit integer.
int editToInt(QLineEdit* edit, int min, int max);

// A real value written with one decimal and the locale's separator ("0.0").
QString oneDecimal(double value);

// editTo1DecimalSingle: the text is read as a decimal number of the locale's
// format. Not a number, or below `min`, gives `min`; above `max` gives `max`;
// otherwise the number is rewritten with one decimal. Returns the value of the
// final text.
float editTo1DecimalSingle(QLineEdit* edit, double max, double min);

// The value in tenths (10 for 1.0) of a real value, rounded to the nearest
// tenth, an exact half to the even neighbour.
int tenths(double value);

} // namespace vantrel::config
