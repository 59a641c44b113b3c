// CTWFileQDFCondition: one condition of a query's WHERE clause, written as an
// attribute, an operator and an operand separated by spaces, bound to an
// attribute of the database schema.
#ifndef TWFILE_CONDITION_CONDITION_H
#define TWFILE_CONDITION_CONDITION_H

#include <twfile/condition/condition_operator.h>
#include <twfile/export.h>
#include <twfile/framework/cmd_target.h>
#include <twfile/framework/string.h>
#include <twfile/framework/string_map.h>
#include <twfile/host/schema.h>

// Every operation with a status follows the error service's rules with the
// source name "TWFileQDFCondition". The operations that return a character
// pointer show a pending error the same way and return their pointer in any
// case.
//
// The condition owns its two text buffers; it never owns its attribute,
// which the caller keeps alive while the condition refers to it. Pointers
// returned by GetText and GetFullNameText point into the condition's own
// buffer and stay valid until the next call of either, Initialise, a check or
// destruction. After a failed allocation a buffer is null and its recorded
// size 0, so the next call allocates again; nothing is ever written through a
// null buffer.
class TWFILE_API CTWFileQDFCondition : public CCmdTarget {
    TW_DECLARE_DYNCREATE(CTWFileQDFCondition)
  public:
    CTWFileQDFCondition();
    ~CTWFileQDFCondition() override;
    CTWFileQDFCondition(const CTWFileQDFCondition&) = delete;
    CTWFileQDFCondition& operator=(const CTWFileQDFCondition&) = delete;

    // An empty map whose base is CCmdTarget's.
    const AFX_MSGMAP* GetMessageMap() const override;

    // Back to the empty state: no attribute, operator 0, empty operand, both
    // buffers freed. The attribute name captured by ValidateCondition stays.
    // Returns 0.
    int Initialise();

    CTWDB_Attribute* GetAttribute() const { return m_pAttribute; }
    // Stores attribute as given (null allowed). Returns 0.
    int SetAttribute(CTWDB_Attribute* attribute);

    TWFileQDFConditionOperator GetOperator() const { return m_eOperator; }
    // Stores the value without any check. Returns 0.
    int SetOperator(TWFileQDFConditionOperator op);

    const char* GetOperand() const { return m_strOperand.GetString(); }
    // Copies text (null gives the empty text). Raises ID_TWErrors_MemoryAlloc
    // and keeps the old operand when the copy cannot be allocated.
    int SetOperand(const char* text);

    // The text of the condition's operator, or of op: "", "=", "<>", "<",
    // ">", "<=", ">=", "IN", "LIKE" for 0 to 8, "Error!!!" for any other
    // value. Never null.
    const char* GetOperatorText() const;
    static const char* GetOperatorText(TWFileQDFConditionOperator op);

    // The attribute's own name and unique name; null without an attribute.
    const char* GetAttributeName() const;
    const char* GetUniqueAttributeName() const;
    // The attribute's name as it was when ValidateCondition bound it.
    CString GetConditionAttributeName() const;

    // Binds the condition: the attribute, the complete condition text (kept
    // as the operand) and the attribute's name. Sets valid to 1 for every
    // text; showMessages has no effect and the operator is not changed. A
    // null text or attribute raises ID_TWErrors_InvalidParam and changes
    // nothing, valid included.
    int ValidateCondition(const char* text, CTWDB_Attribute* attribute, int& valid,
                          int showMessages);

    // Runs the checks on the bound condition: splits the complete condition
    // text into attribute, operator and operand, then checks the attribute
    // name, the operator and the operand against the bound attribute and its
    // data type, stopping at the first check that fails. A failed check sets
    // valid to 0 and, when showMessages is nonzero, tells the user why in a
    // message box; it is not an error. Without an attribute the operation
    // raises ID_TWErrors_InvalidParam; on any error valid is 0.
    int CheckCondition(int& valid, int showMessages);

    // Sets length and characters to the number of characters of text before
    // its NUL. A null text raises ID_TWErrors_InvalidParam (both 0).
    static int StrLen(const char* text, int& length, int& characters);

    // The condition text as SQL.
    const char* GetText();
    // The condition text with the attribute's table name and "." in front,
    // unless the condition has no attribute, the table has no name, the text
    // begins with ".", or the text is already qualified: the part before its
    // first "." matches the table name's characters at the same positions.
    const char* GetFullNameText();

    // Parameters are names between "<<" and ">>". Adds each parameter name of
    // text (or of the condition's own text) to map with the empty value. At
    // most 18 parameters (the 19th raises ID_TWErrors_UnExpected) of at most
    // 1023 characters each (a longer name raises ID_TWErrors_InvalidParam);
    // on either error nothing is added.
    int GetParameterMap(const char* text, CMapStringToString* map);
    int GetParameterMap(CMapStringToString* map);
    // Copies operand with every parameter replaced by a sample value of the
    // attribute's data type ("1", "ABC", "TRUE", "1.0", "12.00" for integer,
    // string, bool, real and time); any other data type raises
    // ID_TWErrors_UnExpected. The result is GetUnParameterisedOperand.
    int UnParameteriseOperand(const char* operand, CTWDB_Attribute* attribute);
    // The last result of UnParameteriseOperand; null before the first.
    const char* GetUnParameterisedOperand() const { return m_pOperandBuffer; }

  private:
    // The unit tests reach the single checks through this class.
    friend class CTWFileQDFConditionChecks;

    // Makes m_pBuffer hold at least length characters and a NUL. Grows only,
    // to exactly length + 1 bytes; the contents are not kept.
    int ReAllocateBuffer(int length);
    // The operator whose text is exactly text (case-sensitive), else 0.
    static TWFileQDFConditionOperator GetOperatorEnum(const char* text);
    // Copies m_strOperand into m_pBuffer as the working copy of the checks.
    int FillWorkingCopy();

    // The checks. Each takes valid and showMessages last; a failed check
    // sets valid to 0 and shows its message when showMessages is nonzero.
    int ParseCondition(int& valid, int showMessages);
    int ValidateAttribute(CTWDB_Attribute* attribute, int& valid, int showMessages);
    int ValidateOperator(CTWDB_Attribute* attribute, int& valid, int showMessages);
    int ValidateOperand(CTWDB_Attribute* attribute, int& valid, int showMessages);
    int ValidateOperandInteger(char* text, int& valid, int showMessages);
    int ValidateOperandReal(char* text, int& valid, int showMessages);
    int ValidateOperandNumeric(char* text, int allowDecimalPoint, int& valid, int showMessages);
    int ValidateOperandString(char* text, int& valid, int showMessages);
    int ValidateOperandBool(char* text, int& valid, int showMessages);
    int ValidateOperandTime(char* text, int& valid, int showMessages);
    int ValidateOperandTimeList(char* text, int& valid, int showMessages);
    int ValidateOperandIntegerList(char* text, int& valid, int showMessages);
    int ValidateOperandRealList(char* text, int& valid, int showMessages);
    int ValidateOperandStringList(char* text, int& valid, int showMessages);
    int ValidateOperandList(char* text, TWDB_DataType elementType, int& valid, int showMessages);
    int FindElementEnd(const char* text, TWDB_DataType elementType, int& position, int length);
    int DisplayOperatorError(TWDB_DataType type, const char* text);

    CTWDB_Attribute* m_pAttribute;
    TWFileQDFConditionOperator m_eOperator;
    CString m_strOperand;
    char* m_pBuffer;
    int m_nBufferSize;
    char* m_pOperandBuffer;
    int m_nOperandBufferSize;
    // The working copy of the checks in m_pBuffer and its three tokens.
    int m_nWorkLength;
    char* m_pAttributeToken;
    char* m_pOperatorToken;
    char* m_pOperandToken;
    CString m_strAttributeName;
};

#endif  // TWFILE_CONDITION_CONDITION_H
