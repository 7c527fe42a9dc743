// TSyntaxReader: the lexer and recursive-descent parser of the script language.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/parser_atom.h"

namespace NuvixParser {

class TParserBase;
class TOperandBase;
class TOpFunction;
struct TCodePosInfo;

// One forward pass over the text with one byte of look-ahead; builds nodes through the
// parser it works for (a definition body is parsed for the body's own parser, on the same
// input), records colouring marks, and stops at the first syntax error.
class TSyntaxReader {
public:
    // Bracket nesting beyond this is a syntax error rather than a stack overflow of the
    // thread that parses (the GUI thread, on every keystroke).
    static constexpr int kMaxNesting = 10000;

    TSyntaxReader(std::string_view text, TParserBase& parser, std::vector<TCodePosInfo>* marks);

    // The whole compile: leading blanks and comments, one expression, nothing after it.
    // Fills the parser's tree and error fields; true on success.
    bool CompileInto();

private:
    // ---- the byte stream ----
    int Peek(); // look-ahead byte, or -1 (and the end state) at the end
    int Get();  // consume one byte; at the end the read fails
    void PutBack(int n);
    bool AtEnd() { return Peek() < 0; }
    int Position() const { return failed_ ? -1 : static_cast<int>(pos_); }

    // ---- auxiliary steps ----
    void SkipWhiteSpace();
    bool SkipComments();
    bool Expect(char c);
    void SetSyntaxError(std::string message);
    void Mark(int kind);
    void RecordPosition() { tokenStart_ = Position(); }
    void OpenBracket(int nameKind);
    bool EnterNesting();
    void LeaveNesting() { --nesting_; }

    // ---- grammar ----
    TNodePtr ParseExpression(int minPrecedence);
    // Steps of ParseExpression kept out of its frame, which recurses once per bracket and
    // precedence level. The operand an expression of the outermost level ends with: the
    // top of a ',' chain becomes its TSepHead.
    [[gnu::noinline]] static void MakeChainTop(TNodePtr& operand);
    // The operand with a leading '-'.
    [[gnu::noinline]] static void Negate(TNodePtr& operand);
    // The operand becomes the operator node with both operands, or the constant it
    // computes (see FoldedValue).
    [[gnu::noinline]] static void SetFolded(TNodePtr& operand, std::unique_ptr<TOpFunction>& node);
    TNodePtr ParseOperandForm();
    std::unique_ptr<TOperandBase> ParseOperand();
    std::unique_ptr<TOperandBase> ParseNumber();
    TNodePtr ParseCall(std::string name);
    TNodePtr ParseArrayElement(std::string name);
    TNodePtr ParseDefine();

    std::string_view text_;
    std::size_t pos_ = 0;
    bool eof_ = false;    // a look-ahead found no more bytes
    bool failed_ = false; // a read ran past the end
    TParserBase* parser_; // the parser nodes are made for (switches inside define bodies)
    TParserBase* root_;
    std::vector<TCodePosInfo>* marks_;
    int tokenStart_ = 0;
    int nesting_ = 0;
    bool error_ = false;
    std::string errorMessage_;
    int errorEnd_ = 0;
};

} // namespace NuvixParser
