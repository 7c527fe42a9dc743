// The lexer and parser: script text to parse tree, with colouring marks and syntax errors.
#include "engine/syntax_reader.h"

#include <cstdint>

#include "engine/conversions.h"
#include "engine/function.h"
#include "engine/operands.h"
#include "engine/operators.h"
#include "engine/parser.h"
#include "engine/stack_guard.h"
#include "engine/user_function.h"

namespace NuvixParser {
namespace {

// Two-byte operators: first byte, second byte, code letter.
constexpr char kTwoByteOperators[] = "==e>=g<=l!=u+=p-=m*=t/=d";

bool IsDigit(int c) {
    return c >= '0' && c <= '9';
}
bool IsHexDigit(int c) {
    return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
bool IsIdentifierByte(int c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || IsDigit(c) || c == '.' || c == '$';
}

std::string Formatted(const char* pattern, int byte) {
    // "%c" patterns of the messages, formatted without printf.
    std::string s;
    for (const char* p = pattern; *p; ++p) {
        if (p[0] == '%' && p[1] == 'c') {
            s += static_cast<char>(byte);
            ++p;
        } else {
            s += *p;
        }
    }
    return s;
}

} // namespace

TSyntaxReader::TSyntaxReader(std::string_view text, TParserBase& parser, std::vector<TCodePosInfo>* marks)
    : text_(text), parser_(&parser), root_(&parser), marks_(marks) {}

// ---- the byte stream --------------------------------------------------------------------

int TSyntaxReader::Peek() {
    if (pos_ < text_.size()) return static_cast<unsigned char>(text_[pos_]);
    eof_ = true;
    return -1;
}

int TSyntaxReader::Get() {
    if (pos_ < text_.size()) return static_cast<unsigned char>(text_[pos_++]);
    eof_ = true;
    failed_ = true;
    return -1;
}

void TSyntaxReader::PutBack(int n) {
    pos_ -= static_cast<std::size_t>(n);
    eof_ = false;
}

// ---- auxiliary steps --------------------------------------------------------------------

void TSyntaxReader::SkipWhiteSpace() {
    for (;;) {
        const int c = Peek();
        if (c < 0 || !IsSpaceByte(static_cast<unsigned char>(c))) return;
        ++pos_;
    }
}

// Comments are /* ... */ and nest. Several in a row are skipped; each gets a mark.
bool TSyntaxReader::SkipComments() {
    for (;;) {
        RecordPosition();
        if (Peek() != '/') return true;
        Get();
        if (Peek() != '*') {
            PutBack(1); // a division
            return true;
        }
        Get();
        int depth = 1;
        // "At the end" here is the end state left by an earlier look-ahead: after the last
        // byte one more read is tried, and its failure makes the error end -1.
        while (depth > 0 && !eof_) {
            SkipWhiteSpace();
            const int b = Get();
            if (b == '/' && Peek() == '*') {
                Get();
                ++depth;
            } else if (b == '*' && Peek() == '/') {
                Get();
                --depth;
            }
        }
        if (depth > 0) {
            SetSyntaxError("Comment not closed");
            return false;
        }
        Mark(TCodePosInfo::kComment);
        // Blanks between comments are skipped too: comments on lines of their own (the
        // usual layout) would otherwise end the skipping and leave a '/' to be read as a
        // division, or a script of only comments that does not compile.
        SkipWhiteSpace();
    }
}

bool TSyntaxReader::Expect(char c) {
    SkipWhiteSpace();
    if (Get() == static_cast<unsigned char>(c)) return true;
    SetSyntaxError(Formatted("'%c' expected", static_cast<unsigned char>(c)));
    return false;
}

void TSyntaxReader::SetSyntaxError(std::string message) {
    errorEnd_ = Position();
    error_ = true;
    errorMessage_ = std::move(message);
}

void TSyntaxReader::Mark(int kind) {
    if (marks_ && tokenStart_ <= TCodePosInfo::kMaxPosition)
        marks_->push_back(TCodePosInfo{tokenStart_, static_cast<unsigned>(kind)});
}

bool TSyntaxReader::EnterNesting() {
    // The count keeps nesting within what every thread's stack holds; the stack check
    // covers stacks smaller than expected (and the larger frames of sanitizer builds).
    if (++nesting_ > kMaxNesting || StackLow()) {
        --nesting_;
        SetSyntaxError("Expression nested too deeply");
        return false;
    }
    return true;
}

// ---- compile ----------------------------------------------------------------------------

bool TSyntaxReader::CompileInto() {
    TParserBase& p = *root_;
    p.tree_.reset();
    p.error_ = false;
    bool ok = true;
    TNodePtr tree;
    if (!text_.empty()) {
        RecordPosition();
        SkipWhiteSpace();
        if (!SkipComments()) {
            ok = false;
        } else {
            SkipWhiteSpace();
            RecordPosition();
            if (!AtEnd()) {
                tokenStart_ = 0;
                tree = ParseExpression(0);
                if (!tree) {
                    ok = false;
                } else {
                    SkipWhiteSpace();
                    if (!AtEnd()) {
                        tree.reset();
                        SetSyntaxError("End of expression expected");
                        ok = false;
                    }
                }
            }
        }
    }
    p.tree_ = std::move(tree);
    p.error_ = !ok;
    if (!ok) {
        p.errorMessage_ = errorMessage_;
        p.errorEnd_ = errorEnd_;
        p.tokenStart_ = tokenStart_;
    }
    return ok;
}

// ---- expressions ------------------------------------------------------------------------

// expression := [comment] [+|-] ( '(' expression ')' | operand-form ) { operator expression }
// Precedence climbing: an operator binds here when it binds more tightly than
// minPrecedence, and every operator is left-associative (the right side is parsed with the
// operator's own precedence). Locals are kept few: this routine recurses once per
// bracket and precedence level.
TNodePtr TSyntaxReader::ParseExpression(int minPrecedence) {
    SkipWhiteSpace();
    if (!SkipComments()) return nullptr;
    SkipWhiteSpace();
    RecordPosition();

    bool negate = false;
    const int sign = Peek();
    if (sign == '-') {
        Get();
        negate = true;
        Mark(TCodePosInfo::kNumber);
    } else if (sign == '+') {
        Get();
        Mark(TCodePosInfo::kNumber);
    }
    RecordPosition();

    if (AtEnd()) {
        SetSyntaxError("Expression or identifier expected");
        return nullptr;
    }

    TNodePtr operand;
    if (Peek() == '(') {
        Get();
        Mark(TCodePosInfo::kBracket);
        RecordPosition();
        if (!EnterNesting()) return nullptr;
        operand = ParseExpression(0);
        LeaveNesting();
        if (!operand || !Expect(')')) return nullptr;
        Mark(TCodePosInfo::kBracket);
        RecordPosition();
    } else {
        operand = ParseOperandForm();
        if (!operand) return nullptr;
    }

    if (negate) Negate(operand);

    for (;;) {
        SkipWhiteSpace();
        if (!SkipComments()) return nullptr;
        SkipWhiteSpace();
        RecordPosition();
        const int la = Peek();
        if (la < 0 || la == ')' || la == ';' || la == ']' || la == 0xFF) {
            if (minPrecedence == 0) MakeChainTop(operand);
            return operand;
        }

        int code = Get();
        int width = 1;
        for (const char* e = kTwoByteOperators; *e; e += 3) {
            if (code == static_cast<unsigned char>(e[0])) {
                if (Peek() == static_cast<unsigned char>(e[1])) {
                    Get();
                    code = static_cast<unsigned char>(e[2]);
                    width = 2;
                }
                break;
            }
        }

        // The code letters of two-byte operators are no operators when typed as such
        // (x d y is not x /= y).
        const bool codeLetter = width == 1 && code >= 'a' && code <= 'z';
        const int precedence = codeLetter ? 0 : OperatorPrecedence(static_cast<unsigned char>(code));
        if (precedence == 0) {
            SetSyntaxError(Formatted("Unknown operator '%c'", code));
            return nullptr;
        }
        if (minPrecedence < precedence) {
            Mark(TCodePosInfo::kOperator);
            RecordPosition();
            TNodePtr right = ParseExpression(precedence);
            if (!right) return nullptr;
            std::unique_ptr<TOpFunction> node = parser_->CreateOperator(static_cast<char>(code));
            node->SetOperands(std::move(operand), std::move(right));
            if (!node->CheckOperands()) {
                SetSyntaxError("Illegal operator");
                return nullptr;
            }
            SetFolded(operand, node);
            continue;
        }
        // The operator belongs to an outer level.
        if (eof_) {
            SetSyntaxError("Unexpected end of expression");
            return nullptr;
        }
        PutBack(width);
        return operand; // not at the outermost level: every operator binds more tightly
    }
}

// The sign applies to the operand only: -2^2 is (-2)^2. A negative number is its own
// constant, as its negation would compute it.
void TSyntaxReader::Negate(TNodePtr& operand) {
    if (operand->LeafKind() == kNumberLeaf) {
        const double v = -static_cast<const TConstOperand&>(*operand).Number();
        operand.reset(); // the last node made: the new one takes its place
        operand = std::make_unique<TConstOperand>(v);
        return;
    }
    auto neg = std::make_unique<TNeg>();
    neg->Prepare();
    neg->SetArgument(0, std::move(operand));
    operand = std::move(neg);
}

void TSyntaxReader::SetFolded(TNodePtr& operand, std::unique_ptr<TOpFunction>& node) {
    double v;
    if (!node->FoldedValue(v)) {
        operand = std::move(node);
        return;
    }
    // Dropped last made first, the three nodes give their memory straight back to the
    // pool, and the constant takes the first one's place.
    TNodePtr left, right;
    node->TakeOperands(left, right);
    node.reset();
    right.reset();
    left.reset();
    operand = std::make_unique<TConstOperand>(v);
}

// ',' binds least of all operators, so its chains are built at the outermost level only,
// and the last ',' node made there is the top of one.
void TSyntaxReader::MakeChainTop(TNodePtr& operand) {
    TOpFunction* op = operand->AsOperator();
    if (!op || !op->IsSequence() || dynamic_cast<TSepHead*>(op)) return;
    TNodePtr left, right;
    op->TakeOperands(left, right);
    operand.reset(); // the newest node: the top takes its place
    auto top = std::make_unique<TSepHead>();
    top->SetOperands(std::move(left), std::move(right));
    operand = std::move(top);
}

// The name before a call's '(' or an element's '[' gets its mark, then the bracket.
void TSyntaxReader::OpenBracket(int nameKind) {
    Mark(nameKind);
    RecordPosition();
    Get();
    Mark(TCodePosInfo::kBracket);
    RecordPosition();
}

// operand-form := operand [ '(' arguments ')' | '[' [expression] ']' ]
TNodePtr TSyntaxReader::ParseOperandForm() {
    std::unique_ptr<TOperandBase> operand = ParseOperand();
    if (!operand) {
        SetSyntaxError("Expression or identifier expected");
        return nullptr;
    }
    SkipWhiteSpace();
    const int la = Peek();
    auto* variable = AsScalarOperand(operand.get());
    if (la == '(') {
        OpenBracket(TCodePosInfo::kFunction);
        if (!variable) {
            SetSyntaxError("Syntax error");
            return nullptr;
        }
        std::string name(variable->Name());
        operand.reset();
        if (name == "define") return ParseDefine();
        return ParseCall(std::move(name));
    }
    if (la == '[') {
        OpenBracket(TCodePosInfo::kVariable);
        if (!variable) {
            SetSyntaxError("Operator expected");
            return nullptr;
        }
        std::string name(variable->Name());
        operand.reset();
        return ParseArrayElement(std::move(name));
    }
    if (variable)
        Mark(TCodePosInfo::kVariable);
    else
        Mark(operand->IsString() ? TCodePosInfo::kString : TCodePosInfo::kNumber);
    RecordPosition();
    return operand;
}

// arguments := expression { ';' expression }, exactly as many as the function takes.
TNodePtr TSyntaxReader::ParseCall(std::string name) {
    std::unique_ptr<TFunction> f = parser_->CreateFunction(name);
    if (!f) {
        SetSyntaxError("Unknown function");
        return nullptr;
    }
    f->Prepare();
    const int n = f->ArgCount();
    if (!EnterNesting()) return nullptr;
    for (int i = 0; i < n; ++i) {
        TNodePtr arg = ParseExpression(0);
        if (!arg) {
            LeaveNesting();
            return nullptr;
        }
        f->SetArgument(i, std::move(arg));
        if (i + 1 < n) {
            if (!Expect(';')) {
                LeaveNesting();
                return nullptr;
            }
            Mark(TCodePosInfo::kBracket);
            RecordPosition();
        }
    }
    LeaveNesting();
    if (!f->CheckArguments()) {
        SetSyntaxError("Illegal argument");
        return nullptr;
    }
    if (!Expect(')')) return nullptr;
    Mark(TCodePosInfo::kBracket);
    RecordPosition();
    return f;
}

// element := name '[' expression ']' | name '[' ']'   (the latter: the whole array, index 0)
TNodePtr TSyntaxReader::ParseArrayElement(std::string name) {
    TNodePtr index;
    if (Peek() == ']') {
        Get();
        Mark(TCodePosInfo::kBracket);
        RecordPosition();
        index = std::make_unique<TConstOperand>(0.0);
    } else {
        if (!EnterNesting()) return nullptr;
        index = ParseExpression(0);
        LeaveNesting();
        if (!index || !Expect(']')) return nullptr;
        Mark(TCodePosInfo::kBracket);
        RecordPosition();
    }
    return TOpArray::Make(name, std::move(index));
}

// define := 'define' '(' name '(' [param {';' param}] ')' ';' expression ')'
// param := name | name '[' ']'
TNodePtr TSyntaxReader::ParseDefine() {
    SkipWhiteSpace();
    std::unique_ptr<TOperandBase> head = ParseOperand();
    if (!head) {
        SetSyntaxError("Function identifier expected");
        return nullptr;
    }
    auto* headName = AsScalarOperand(head.get());
    if (!headName) {
        SetSyntaxError("Function name expected");
        return nullptr;
    }
    Mark(TCodePosInfo::kFunction);
    RecordPosition();
    if (!Expect('(')) return nullptr;
    Mark(TCodePosInfo::kBracket);
    RecordPosition();
    SkipWhiteSpace();

    auto def = std::make_unique<TFunctionDef>(std::string(headName->Name()), *parser_);
    head.reset();

    while (Peek() != ')') {
        std::unique_ptr<TOperandBase> p = ParseOperand();
        if (!p) break; // the Expect(')') below reports it
        auto* param = AsScalarOperand(p.get());
        if (!param) {
            SetSyntaxError("Variable identifier expected");
            return nullptr;
        }
        SkipWhiteSpace();
        Mark(TCodePosInfo::kVariable);
        RecordPosition();
        bool isArray = false;
        if (Peek() == '[') {
            Get();
            if (!Expect(']')) {
                SetSyntaxError("Variable identifier expected");
                return nullptr;
            }
            isArray = true;
        }
        def->AddParameter(std::string(param->Name()), isArray);
        if (Peek() != ';') break;
        Get();
        Mark(TCodePosInfo::kBracket);
        RecordPosition();
    }
    if (!Expect(')') || !Expect(';')) return nullptr;
    Mark(TCodePosInfo::kBracket);
    RecordPosition();

    // Registered before the body is read, so the body can call the function itself.
    parser_->Handler()->Register(def.get());

    TParserBase& body = def->Body();
    TParserBase* outer = parser_;
    parser_ = &body;
    body.tree_.reset();
    tokenStart_ = 0;
    if (!EnterNesting()) {
        parser_ = outer;
        return nullptr; // def unregisters itself
    }
    TNodePtr tree = ParseExpression(0);
    LeaveNesting();
    parser_ = outer;
    body.error_ = !tree;
    if (!tree) return nullptr;
    body.tree_ = std::move(tree);
    if (!Expect(')')) return nullptr;
    Mark(TCodePosInfo::kBracket);
    RecordPosition();
    return def;
}

// ---- operands ---------------------------------------------------------------------------

// operand := '...' (text) | "..." (variable of any name) | number | identifier
std::unique_ptr<TOperandBase> TSyntaxReader::ParseOperand() {
    SkipWhiteSpace();
    const int c = Peek();
    if (c == '\'' || c == '"') {
        Get();
        std::string content;
        for (;;) {
            const int b = Get();
            if (b < 0) return nullptr; // never closed
            if (b == c) {
                if (Peek() != c) break;
                Get(); // a doubled quote stands for one
            }
            content += static_cast<char>(b);
        }
        if (c == '\'') return TConstOperand::MakeText(content);
        return TOperand::Make(content);
    }
    if (c == '.' || IsDigit(c)) return ParseNumber();

    // Identifiers: letters, digits, '.' and '$', at most 49 bytes.
    const std::size_t start = pos_;
    while (pos_ - start < 50 && IsIdentifierByte(Peek())) Get();
    const std::string_view name = text_.substr(start, pos_ - start);
    if (name.empty() || name.size() >= 50) return nullptr;
    return TOperand::Make(name);
}

// number := decimal [ '.' digits ] [ (e|E) [+|-] digits ] | '.' digits ...
//         | '0' (x|X) hexdigits{1,8} | '0' (b|B) bits{1,32}
// A state machine that stops, without consuming, at the first byte its state does not take.
std::unique_ptr<TOperandBase> TSyntaxReader::ParseNumber() {
    enum State { kStart, kInteger, kFraction, kExpLetter, kExpSign, kExpDigits, kLeadingZero, kHex, kBinary };
    State state = kStart;
    bool valid = false;
    std::string literal;
    for (;;) {
        const int b = Peek();
        if (b < 0) break;
        bool take = true;
        switch (state) {
        case kStart:
            if (b == '0')
                valid = true, state = kLeadingZero;
            else if (b >= '1' && b <= '9')
                valid = true, state = kInteger;
            else if (b == '.')
                state = kFraction;
            else
                take = false;
            break;
        case kInteger:
            if (IsDigit(b))
                valid = true;
            else if (b == '.')
                state = kFraction;
            else if (b == 'e' || b == 'E')
                state = kExpLetter;
            else
                take = false;
            break;
        case kFraction:
            if (IsDigit(b))
                valid = true;
            else if (b == 'e' || b == 'E')
                state = kExpLetter;
            else
                take = false;
            break;
        case kExpLetter:
            if (b == '+' || b == '-')
                state = kExpSign;
            else if (IsDigit(b))
                state = kExpDigits;
            else
                take = false;
            break;
        case kExpSign:
            if (IsDigit(b))
                state = kExpDigits;
            else
                take = false;
            break;
        case kExpDigits: take = IsDigit(b); break;
        case kLeadingZero:
            if (b == 'x' || b == 'X')
                valid = false, state = kHex;
            else if (b == 'b' || b == 'B')
                valid = false, state = kBinary;
            else if (IsDigit(b))
                valid = true, state = kInteger;
            else if (b == '.')
                state = kFraction;
            else if (b == 'e' || b == 'E')
                state = kExpLetter;
            else
                take = false;
            break;
        case kHex:
            if (IsHexDigit(b))
                valid = true;
            else
                take = false;
            break;
        case kBinary:
            if (b == '0' || b == '1')
                valid = true;
            else
                take = false;
            break;
        }
        if (!take) break;
        literal += static_cast<char>(Get());
    }
    // An exponent letter or sign without digits spoils the number (1e, 1e+).
    if (state == kExpLetter || state == kExpSign) valid = false;
    if (!valid) return nullptr;

    if (state == kHex || state == kBinary) {
        const bool hex = state == kHex;
        if (literal.size() > (hex ? 10u : 34u)) return nullptr;
        std::uint32_t bits = 0;
        for (std::size_t i = 2; i < literal.size(); ++i) {
            const int d = literal[i];
            const std::uint32_t digit = IsDigit(d) ? d - '0' : (d | 0x20) - 'a' + 10;
            bits = hex ? (bits << 4) | digit : (bits << 1) | digit;
        }
        return std::make_unique<TConstOperand>(static_cast<double>(static_cast<std::int32_t>(bits)));
    }
    return std::make_unique<TConstOperand>(DecimalLiteralToNumber(literal));
}

} // namespace NuvixParser
