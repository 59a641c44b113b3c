// The messages that the condition checks show to the user.
#ifndef TWFILE_SRC_CONDITION_MESSAGES_H
#define TWFILE_SRC_CONDITION_MESSAGES_H

#include <twfile/framework/message_box.h>

namespace twfile {
namespace condition {

constexpr char kConditionEmpty[] = "The Condition is empty!";
constexpr char kInvalidFormat[] =
    "Invalid format\r\n\r\nShould be Attribute followed by Operator followed by Operand "
    "(separated by spaces)";
constexpr char kAttributeChanged[] = "The attribute name has been changed!";
constexpr char kInvalidOperator[] = "Invalid Operator";
constexpr char kMustBeOneOf[] = "\r\nMust be one of: ";
constexpr char kStringNotQuoted[] = "Strings must be enclosed within single quotes";
constexpr char kSpuriousText[] = "Spurious text found in Condition!";
constexpr char kInvalidBool[] = "Invalid Bool - must be TRUE or FALSE (case insensitive)";
constexpr char kNumberMissing[] = "A number was expected but no text was found!";
constexpr char kInvalidNumber[] = "Invalid characters found in number!";
constexpr char kListNotBracketed[] =
    "A list must be enclosed within round brackets e.g. (12,15,29) or ('abc','mno','xyz')";
constexpr char kListElementMissing[] = "Invalid list - missing element!";

// A check has failed: valid becomes 0 and, when asked, the user sees why in
// a modal message box with an OK button.
inline void FailCheck(int& valid, int showMessages, const char* message) {
    if (showMessages != 0) AfxMessageBox(message, MB_OK, 0);
    valid = 0;
}

}  // namespace condition
}  // namespace twfile

#endif  // TWFILE_SRC_CONDITION_MESSAGES_H
