#include "session/error_text.h"

#include <array>
#include <cctype>
#include <utility>

namespace tesk::session {

using geometry::ErrorCode;

namespace {

/// What kind of failure each code is, as the "类别" line says it.
std::string_view Category(ErrorCode code) {
    switch (code) {
    case ErrorCode::EmptyPath:
        return "没有选择文件";
    case ErrorCode::FileAccess:
        return "文件无法打开或读取";
    case ErrorCode::Format:
        return "数据格式有误";
    case ErrorCode::IndexOutOfRange:
        return "数量或序号超出范围";
    case ErrorCode::DivisionByZero:
        return "计算中出现除以零";
    case ErrorCode::NonFinite:
        return "计算结果不是有限数值";
    case ErrorCode::Geometry:
        return "设计线在此处无法计算";
    case ErrorCode::Cancelled:
        return "操作被取消";
    case ErrorCode::Output:
        return "图形或表格无法写出";
    }
    return "运行错误";
}

/// English phrases of the engine's texts and of the system's file errors, with what the "说明"
/// line says for them; the first that the text contains is used.
constexpr std::array<std::pair<std::string_view, std::string_view>, 35> kReasons = {{
    {"is not a number", "不是数字"},
    {"No such file or directory", "文件或文件夹不存在"},
    {"Permission denied", "没有访问权限"},
    {"Read-only file system", "文件所在的磁盘只读"},
    {"No space left on device", "磁盘空间不足"},
    {"File name too long", "文件名过长"},
    {"Is a directory", "这是一个文件夹，不是文件"},
    {"is a folder, not a file", "这是一个文件夹，不是文件"},
    {"far too large for an input file", "文件过大，不是本程序的数据文件"},
    {"cannot be opened", "文件无法打开"},
    {"cannot be read", "文件无法读取"},
    {"the text is not", "文字编码无法识别（应为UTF-8、UTF-16或GBK）"},
    {"without its data line", "名称行之后缺少数据行"},
    {"fields", "这一行的数据个数不对"},
    {"turns through more than a full circle", "缓和曲线转过一整圈以上（长度或半径有误？）"},
    {"more than", "数量超过程序允许的上限"},
    {"outside -", "数值超出测量的合理范围（漏写了小数点？）"},
    {"has a radius of 0", "半径为0"},
    {"zero radius", "半径为0"},
    {"negative length", "长度为负数"},
    {"negative radius or spiral length", "半径或缓和曲线长度为负数"},
    {"coincides with this one", "与下一交点重合"},
    {"zero deflection", "转角为0（三个交点在一条直线上）"},
    {"parallel", "相邻两边平行"},
    {"outer spiral radius", "缓和曲线外端半径不大于圆曲线半径"},
    {"turn through more than the deflection", "缓和曲线转角大于交点转角"},
    {"spiral has no length", "缓和曲线长度为0"},
    {"does not converge", "迭代计算不收敛"},
    {"not finite", "数值溢出或不是有限数"},
    {"division by zero", "除数为0"},
    {"no pier", "桩位文件中没有墩台"},
    {"no drawing is open", "没有打开的图形"},
    {"section", "断链区间有误"},
    {"chain break", "断链数据有误"},
    {"deflection angle", "右偏角有误"},
}};

/// Field names the readers use, in Chinese.
constexpr std::array<std::pair<std::string_view, std::string_view>, 14> kFields = {{
    {"the title", "标题"},
    {"the start station", "起点桩号"},
    {"the start X", "起点X坐标"},
    {"the start Y", "起点Y坐标"},
    {"the start azimuth", "起点方位角"},
    {"start radius", "起点半径"},
    {"end radius", "终点半径"},
    {"length", "长度"},
    {"back station", "断链前桩号"},
    {"ahead station", "断链后桩号"},
    {"a distance value", "距离"},
    {"the second value of a pair", "成对数据的第二个值"},
    {"the deflection angle", "右偏角"},
    {"the station field", "桩号"},
}};

/// Coordinates and curve data keep their usual symbols.
constexpr std::array<std::string_view, 7> kSymbols = {"X", "Y", "R", "Ls1", "Ls2", "R1", "R2"};

std::string_view FieldName(std::string_view english) {
    for (const auto& [name, chinese] : kFields) {
        if (english == name) {
            return chinese;
        }
    }
    for (std::string_view symbol : kSymbols) {
        if (english == symbol) {
            return symbol;
        }
    }
    return {};
}

bool IsDigits(std::string_view text) {
    if (text.empty()) {
        return false;
    }
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) {
            return false;
        }
    }
    return true;
}

/// The digits at the start of `text`.
std::string_view LeadingDigits(std::string_view text) {
    std::size_t n = 0;
    while (n < text.size() && std::isdigit(static_cast<unsigned char>(text[n]))) {
        ++n;
    }
    return text.substr(0, n);
}

/// The facts an English error text gives.
struct Facts {
    std::string File;
    std::string Line;
    std::string Field;
    std::string Value;
    std::string Vertex;
    std::string Element;
    std::string_view Reason;
};

/// Splits "<file>: <element> (line <N>): <rest>", as the LandXML reader names an element, into
/// the file, the line and "<element>: <rest>"; returns the text as it is otherwise.
std::string_view TakeElementLocation(std::string_view text, Facts& facts) {
    constexpr std::string_view kLine = " (line ";
    const std::size_t at = text.find(kLine);
    const std::size_t fileEnd = text.find(": ");
    if (at == std::string_view::npos || fileEnd == std::string_view::npos || fileEnd == 0 ||
        fileEnd > at) {
        return text;
    }
    const std::string_view digits = LeadingDigits(text.substr(at + kLine.size()));
    if (digits.empty() || text.substr(at + kLine.size() + digits.size(), 3) != "): ") {
        return text;
    }
    facts.File = std::string(text.substr(0, fileEnd));
    facts.Line = std::string(digits);
    return text.substr(fileEnd + 2);
}

/// Splits "<file>, line <N>: <rest>" or "line <N>: <rest>"; returns the rest.
std::string_view TakeLocation(std::string_view text, Facts& facts) {
    constexpr std::string_view kLine = "line ";
    std::size_t at = 0;
    std::size_t lineStart = std::string_view::npos;
    if (text.starts_with(kLine)) {
        lineStart = 0;
    } else if ((at = text.find(", line ")) != std::string_view::npos) {
        lineStart = at + 2;
    }
    if (lineStart == std::string_view::npos) {
        return TakeElementLocation(text, facts);
    }
    const std::string_view digits = LeadingDigits(text.substr(lineStart + kLine.size()));
    const std::size_t after = lineStart + kLine.size() + digits.size();
    if (digits.empty() || text.substr(after, 2) != ": ") {
        return text;
    }
    if (lineStart > 0) {
        facts.File = std::string(text.substr(0, lineStart - 2));
    }
    facts.Line = std::string(digits);
    return text.substr(after + 2);
}

/// "cannot write \"<path>\": <reason>" and "<path>: cannot be opened (...)" and the like.
std::string_view TakeFileOfAccess(std::string_view text, Facts& facts) {
    constexpr std::string_view kWrite = "cannot write \"";
    if (text.starts_with(kWrite)) {
        const std::size_t close = text.rfind("\": ");
        if (close != std::string_view::npos && close >= kWrite.size()) {
            facts.File = std::string(text.substr(kWrite.size(), close - kWrite.size()));
            return text.substr(close + 3);
        }
        return text;
    }
    for (std::string_view tail : {": cannot be opened", ": is a folder", ": cannot be read"}) {
        if (const std::size_t at = text.rfind(tail); at != std::string_view::npos && at > 0) {
            facts.File = std::string(text.substr(0, at));
            return text.substr(at + 2);
        }
    }
    if (const std::size_t at = text.rfind(" bytes is far too large");
        at != std::string_view::npos) {
        const std::size_t colon = text.rfind(": ", at);
        if (colon != std::string_view::npos && colon > 0) {
            facts.File = std::string(text.substr(0, colon));
            return text.substr(colon + 2);
        }
    }
    return text;
}

/// "field <K> (<name>): ..." or "<name>: \"<value>\" is not a number".
void TakeField(std::string_view rest, Facts& facts) {
    constexpr std::string_view kField = "field ";
    if (rest.starts_with(kField)) {
        const std::string_view digits = LeadingDigits(rest.substr(kField.size()));
        const std::size_t open = kField.size() + digits.size();
        if (!digits.empty() && rest.substr(open, 2) == " (") {
            const std::size_t close = rest.find("): ", open);
            facts.Field = "第" + std::string(digits) + "项";
            if (close != std::string_view::npos) {
                const std::string_view name = FieldName(rest.substr(open + 2, close - open - 2));
                if (!name.empty()) {
                    facts.Field += "（" + std::string(name) + "）";
                }
            }
        }
        return;
    }
    if (const std::size_t colon = rest.find(": \""); colon != std::string_view::npos) {
        facts.Field = std::string(FieldName(rest.substr(0, colon)));
        return;
    }
    // "the deflection angle \"x\" is not a number", "the station field \"x\" has ..."
    if (const std::size_t quote = rest.find(" \""); quote != std::string_view::npos) {
        facts.Field = std::string(FieldName(rest.substr(0, quote)));
        return;
    }
    // "the start station: 1e+16 is outside ..." (a number out of bounds, shown unquoted)
    if (const std::size_t colon = rest.find(": "); colon != std::string_view::npos) {
        facts.Field = std::string(FieldName(rest.substr(0, colon)));
    }
}

void TakeValue(std::string_view rest, Facts& facts) {
    const std::size_t open = rest.find('"');
    if (open == std::string_view::npos) {
        return;
    }
    const std::size_t close = rest.find('"', open + 1);
    if (close != std::string_view::npos) {
        facts.Value = std::string(rest.substr(open, close - open + 1));
    }
}

/// "... at vertex <name> (row <N>)" and "element <N> ...".
void TakeVertexOrElement(std::string_view rest, Facts& facts) {
    constexpr std::string_view kVertex = " at vertex ";
    if (const std::size_t at = rest.rfind(kVertex); at != std::string_view::npos) {
        std::string_view name = rest.substr(at + kVertex.size());
        const std::size_t row = name.rfind(" (row ");
        std::string number;
        if (row != std::string_view::npos && name.ends_with(")")) {
            const std::string_view digits = name.substr(row + 6, name.size() - row - 7);
            if (IsDigits(digits)) {
                number = std::string(digits);
                name = name.substr(0, row);
            }
        }
        facts.Vertex = std::string(name) + (number.empty() ? "" : "（第" + number + "个）");
    }
    constexpr std::string_view kElement = "element ";
    if (const std::size_t at = rest.find(kElement);
        at != std::string_view::npos && (at == 0 || rest[at - 1] == ' ')) {
        const std::string_view digits = LeadingDigits(rest.substr(at + kElement.size()));
        if (!digits.empty()) {
            facts.Element = "第" + std::string(digits) + "个";
        }
    }
}

/// The "说明" of `text`; `writing`: the text is about an output file.
std::string_view Reason(std::string_view text, bool writing) {
    for (const auto& [english, chinese] : kReasons) {
        if (text.find(english) != std::string_view::npos) {
            return writing && english == "Permission denied" ? "没有写入权限" : chinese;
        }
    }
    return {};
}

Facts Read(const geometry::RuntimeError& error) {
    Facts facts;
    const std::string_view text = error.what();
    std::string_view rest = TakeLocation(text, facts);
    if (rest == text) {
        rest = TakeFileOfAccess(text, facts);
    }
    TakeField(rest, facts);
    TakeValue(rest, facts);
    TakeVertexOrElement(rest, facts);
    facts.Reason = Reason(rest, text.starts_with("cannot write"));
    return facts;
}

void AddLine(std::string& out, std::string_view label, std::string_view value) {
    if (!value.empty()) {
        out.append(label).append("：").append(value).append("\n");
    }
}

} // namespace

std::string ErrorDetail(const geometry::RuntimeError& error) {
    const Facts facts = Read(error);
    std::string out;
    AddLine(out, "类别", Category(error.Code()));
    AddLine(out, "文件", facts.File);
    AddLine(out, "行", facts.Line.empty() ? std::string() : "第" + facts.Line + "行");
    AddLine(out, "字段", facts.Field);
    AddLine(out, "数值", facts.Value);
    AddLine(out, "交点", facts.Vertex);
    AddLine(out, "单元", facts.Element);
    AddLine(out, "说明", facts.Reason);
    return out;
}

std::string UnexpectedDetail() {
    return "类别：内存不足或程序内部错误\n";
}

std::string OutputFaultMessage(std::string_view path, const geometry::RuntimeError& error) {
    std::string_view reason = "表格或图形的内容无法写出";
    if (error.Code() != ErrorCode::Output) {
        Facts facts;
        const std::string_view text = error.what();
        reason = Reason(TakeFileOfAccess(text, facts), true);
        if (reason.empty() || reason == "文件无法打开" || reason == "文件无法读取") {
            reason = "无法创建或替换该文件";
        }
    }
    std::string message(kOutputFaultHeading);
    message.append(path).append("\n").append(reason);
    return message;
}

} // namespace tesk::session
