#include "session/error_text.h"

#include "session/command_handler.h"
#include "support/recording_prompts.h"

#include <gtest/gtest.h>

#include <vector>

namespace tesk::session {
namespace {

using geometry::ErrorCode;
using geometry::RuntimeError;

struct DetailRow {
    ErrorCode Code;
    const char* What;               ///< the English text the engine throws
    std::vector<std::string> Lines; ///< lines the Chinese detail must hold
};

TEST(ErrorDetail, TellsFileLineFieldAndValueInChinese) {
    const std::vector<DetailRow> rows = {
        {ErrorCode::Format,
         "/d/主线.jdx, line 5: field 2 (Y): \"1O0\" is not a number",
         {"类别：数据格式有误", "文件：/d/主线.jdx", "行：第5行", "字段：第2项（Y）",
          "数值：\"1O0\"", "说明：不是数字"}},
        {ErrorCode::Format,
         "/d/r.jdx, line 1: the start station: \"K1\" is not a number",
         {"文件：/d/r.jdx", "行：第1行", "字段：起点桩号", "数值：\"K1\""}},
        {ErrorCode::Format,
         "line 3: field 1 (back station): \"x\" is not a number",
         {"行：第3行", "字段：第1项（断链前桩号）"}},
        {ErrorCode::FileAccess,
         "/d/x.jdx: cannot be opened (No such file or directory)",
         {"类别：文件无法打开或读取", "文件：/d/x.jdx", "说明：文件或文件夹不存在"}},
        {ErrorCode::DivisionByZero,
         "element 3 has a radius of 0",
         {"类别：计算中出现除以零", "单元：第3个", "说明：半径为0"}},
        {ErrorCode::Geometry, "no curve fits at vertex JD4 (row 4)", {"交点：JD4（第4个）"}},
        {ErrorCode::FileAccess,
         "cannot write \"/ro/a.dxf\": Permission denied",
         {"文件：/ro/a.dxf", "说明：没有写入权限"}},
        // LandXML names the element with its line.
        {ErrorCode::Format,
         "/d/r.xml: Line 1 (line 7): its Start holds 3456777077, outside -100000000..100000000 m",
         {"文件：/d/r.xml", "行：第7行", "说明：数值超出测量的合理范围（漏写了小数点？）"}},
        {ErrorCode::Format,
         "/d/r.jdx, line 1: the start station: 1e16 is outside -1000000000..1000000000 m",
         {"行：第1行", "字段：起点桩号", "说明：数值超出测量的合理范围（漏写了小数点？）"}},
    };
    for (const DetailRow& row : rows) {
        SCOPED_TRACE(row.What);
        const std::string detail = ErrorDetail(RuntimeError(row.Code, row.What));
        for (const std::string& line : row.Lines) {
            EXPECT_NE(detail.find(line + "\n"), std::string::npos) << line << "\n" << detail;
        }
        // Nothing of the English text is repeated, apart from names and values.
        EXPECT_EQ(detail.find("line"), std::string::npos) << detail;
        EXPECT_EQ(detail.find("is not"), std::string::npos) << detail;
    }
}

TEST(OutputFault, NamesThePathAndTheReason) {
    struct Row {
        ErrorCode Code;
        const char* What;
        const char* Path; ///< the file the command was writing
        const char* Message;
    };
    const Row rows[] = {
        {ErrorCode::FileAccess, "cannot write \"/ro/a.xlsx\": Permission denied", "/ro/a.xlsx",
         "文件无法写入：/ro/a.xlsx\n没有写入权限"},
        {ErrorCode::FileAccess, "cannot write \"/none/a.xlsx\": No such file or directory",
         "/none/a.xlsx", "文件无法写入：/none/a.xlsx\n文件或文件夹不存在"},
        {ErrorCode::FileAccess, "cannot write \"/full/a.dxf\": No space left on device",
         "/full/a.dxf", "文件无法写入：/full/a.dxf\n磁盘空间不足"},
        {ErrorCode::FileAccess, "cannot write \"/x/a.dxf\": something unheard of", "/x/a.dxf",
         "文件无法写入：/x/a.dxf\n无法创建或替换该文件"},
        {ErrorCode::Output, "the spreadsheet library refused a format", "/x/a.xlsx",
         "文件无法写入：/x/a.xlsx\n表格或图形的内容无法写出"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.What);
        testing::RecordingPrompts prompts;
        EXPECT_FALSE(RunOutputUnderHandler(prompts, false, row.Path,
                                           [&] { throw RuntimeError(row.Code, row.What); }));
        ASSERT_EQ(prompts.Errors.size(), 1u);
        EXPECT_EQ(prompts.Errors[0], row.Message);
        EXPECT_EQ(prompts.Technical.at(0), row.What) << "the English text for --verbose";
    }
}

TEST(OutputFault, OtherFailuresKeepTheirMessages) {
    struct Row {
        ErrorCode Code;
        std::string_view Message;
    };
    for (const Row& row :
         {Row{ErrorCode::EmptyPath, kCancelledMessage}, Row{ErrorCode::Format, kFormatMessage},
          Row{ErrorCode::NonFinite, kFormatMessage}}) {
        testing::RecordingPrompts prompts;
        EXPECT_FALSE(RunOutputUnderHandler(prompts, false, "/x/a.dxf",
                                           [&] { throw RuntimeError(row.Code, "why"); }));
        EXPECT_EQ(prompts.Errors, std::vector<std::string>{std::string(row.Message)});
    }
    // Reading faults under the ordinary handler are never called write faults.
    testing::RecordingPrompts prompts;
    EXPECT_FALSE(RunUnderHandler(prompts, false, [] {
        throw RuntimeError(ErrorCode::FileAccess, "/d/x.jdx: cannot be read");
    }));
    EXPECT_EQ(prompts.Errors, std::vector<std::string>{std::string(kFormatMessage)});
    EXPECT_NE(prompts.Details.at(0).find("文件：/d/x.jdx\n"), std::string::npos);
    EXPECT_EQ(prompts.Technical.at(0), "/d/x.jdx: cannot be read");
}

} // namespace
} // namespace tesk::session
