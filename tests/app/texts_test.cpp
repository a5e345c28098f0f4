#include "app/Texts.hpp"

#include <gtest/gtest.h>
#include <iconv.h>

#include <string>
#include <vector>

namespace nest {
namespace {

// The GBK bytes of a UTF-8 text, converted by the C library; empty when the
// library has no GBK converter.
std::string ToGbk(const std::string& utf8) {
  iconv_t cd = iconv_open("GBK", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) return {};
  std::string in = utf8;
  std::vector<char> out(in.size() * 2 + 16);
  char* src = in.data();
  std::size_t srcLeft = in.size();
  char* dst = out.data();
  std::size_t dstLeft = out.size();
  const std::size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
  iconv_close(cd);
  if (r == static_cast<std::size_t>(-1)) return {};
  return std::string(out.data(), dst);
}

struct TextCase {
  const char* constant;
  const char* gbk;
  const char* utf8;
};

void PrintTo(const TextCase& c, std::ostream* os) { *os << c.constant; }

class TextsTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(TextsTest, ConstantIsTheGbkFormOfTheText) {
  const std::string expected = ToGbk(GetParam().utf8);
  if (expected.empty()) GTEST_SKIP() << "no GBK converter in the C library";
  EXPECT_EQ(std::string(GetParam().gbk), expected) << GetParam().constant;
}

#define NEST_TEXT(name, utf8) \
  TextCase { #name, texts::name, utf8 }

INSTANTIATE_TEST_SUITE_P(
    Texts, TextsTest,
    ::testing::Values(
        NEST_TEXT(kZeroSheetWarning, "包围盒大小为零!"),
        NEST_TEXT(kPartFileWarning, "零件数据文件读取失败!"),
        NEST_TEXT(kSheetDataWarning, "板数据错误!"), NEST_TEXT(kDxfWarning, "排样文件输出失败!"),
        NEST_TEXT(kMethodError, "您在选择优化迭代方法时，输入有误!"),
        NEST_TEXT(kPausePrompt, "请按任意键继续. . ."), NEST_TEXT(kIterPrefix, "第"),
        NEST_TEXT(kHcIterSuffix, "次迭代:"), NEST_TEXT(kHcProgress, "  本次迭代之前已耗费时间"),
        NEST_TEXT(kHcCurrentLength, ", 当前排样长度="), NEST_TEXT(kCommaEfficiency, ",排样效率="),
        NEST_TEXT(kHcNeighbourLength, "  由邻域序列得到的排样长度="),
        NEST_TEXT(kSaInitial, "  初始排样序列:排样长度="), NEST_TEXT(kSaStepSuffix, "次模拟退火:"),
        NEST_TEXT(kSaTemperature, "  当前温度="), NEST_TEXT(kBestEfficiency, "  最优排样效率="),
        NEST_TEXT(kSaCurrentEfficiency, "; 当前排样效率="),
        NEST_TEXT(kSaNeighbourHeader, "  生成的邻域排样序列:"),
        NEST_TEXT(kSaNeighbourEfficiency, "  排样效率="),
        NEST_TEXT(kSaNeighbourLength, ";排样长度="), NEST_TEXT(kSaRandom, "  随机数="),
        NEST_TEXT(kSaProbability, " ;接受概率="),
        NEST_TEXT(kSaBetterThanCurrent, "  邻域解优于当前解"),
        NEST_TEXT(kSaWorseThanCurrent, "  邻域解次于当前解"),
        NEST_TEXT(kSaAccepted, "  邻域解被接受成为当前解"),
        NEST_TEXT(kSaRejected, "  邻域解被拒绝成为当前解"),
        NEST_TEXT(kSaBetterThanBest, "  邻域解优于最优解"),
        NEST_TEXT(kSaWorseThanBest, "  邻域解次于最优解"),
        NEST_TEXT(kParameterHeader, "***参数设置***"), NEST_TEXT(kResultHeader, "***计算结论***"),
        NEST_TEXT(kBestLength, "  最优排样长度="),
        NEST_TEXT(kHcTotalTime, "  算法ZUNO+HC(爬山法)总共耗时"),
        NEST_TEXT(kSaTotalTime, "  算法ZUNO+SA(模拟退火法)总共耗时"),
        NEST_TEXT(kSecondsSuffix, " 秒"),
        NEST_TEXT(kEarlyEnd, "  已无未评估的排样序列，迭代提前结束"),
        NEST_TEXT(kInterrupted, "  收到中断信号，迭代提前结束"),
        NEST_TEXT(kOutOfMemory, "内存不足，程序无法继续运行!"),
        NEST_TEXT(kCrossingReason, "轮廓自相交或内外轮廓相交!")));

#undef NEST_TEXT

}  // namespace
}  // namespace nest
