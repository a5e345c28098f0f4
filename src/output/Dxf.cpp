#include "output/Dxf.hpp"

#include <vector>

#include "app/PackJob.hpp"
#include "app/Stop.hpp"
#include "app/Texts.hpp"
#include "output/OutputFile.hpp"
#include "parts/PartCheck.hpp"

namespace nest {

void WriteDxfNumber(std::FILE* out, double value) { std::fprintf(out, "%g\n", value); }

void WriteDxfLine(const Vertex& a, const Vertex& b, std::FILE* out) {
  std::fputs("LINE\n  8\n0\n 10\n", out);
  WriteDxfNumber(out, a.x);
  std::fputs(" 20\n", out);
  WriteDxfNumber(out, a.y);
  std::fputs(" 30\n0.0\n 11\n", out);
  WriteDxfNumber(out, b.x);
  std::fputs(" 21\n", out);
  WriteDxfNumber(out, b.y);
  std::fputs(" 31\n0.0\n  0\n", out);
}

void WriteLoopDxf(const Loop& loop, std::FILE* out) {
  const std::vector<Vertex>& v = loop.Vertices();
  const std::size_t n = v.size();
  for (std::size_t i = 0; i < n; ++i) WriteDxfLine(v[i], v[i + 1 == n ? 0 : i + 1], out);
}

void WritePartDxf(const Part& part, std::FILE* out) {
  WriteLoopDxf(part.OutLoop, out);
  for (const Loop& hole : part.InnerLoops.Loops()) WriteLoopDxf(hole, out);
  std::fputs("TEXT\n  8\n1\n 10\n", out);
  WriteDxfNumber(out, part.Label.X);
  std::fputs(" 20\n", out);
  WriteDxfNumber(out, part.Label.Y);
  std::fputs(" 30\n0\n 40\n", out);
  WriteDxfNumber(out, part.Label.Height);
  std::fputs("  1\n", out);
  // A control character in the name would break the drawing's line structure.
  const std::string text = PrintableName(part.Label.Text);
  std::fwrite(text.data(), 1, text.size(), out);
  std::fputs("\n 50\n", out);
  WriteDxfNumber(out, part.Label.Angle);
  std::fputs("  0\n", out);
}

void PackJob::WriteDxf(const std::string& fileName) const {
  OutputFile drawing(fileName);
  if (!drawing.Open()) throw RunStop{StopNotice::kWarningBox, texts::kDxfWarning};
  std::FILE* out = drawing.Stream();
  std::fputs("  0\nSECTION\n  2\nENTITIES\n  0\n", out);
  const double l = SheetLength;
  const double w = SheetWidth;
  WriteDxfLine(Vertex{0.0, 0.0}, Vertex{l, 0.0}, out);
  WriteDxfLine(Vertex{l, 0.0}, Vertex{l, w}, out);
  WriteDxfLine(Vertex{l, w}, Vertex{0.0, w}, out);
  WriteDxfLine(Vertex{0.0, w}, Vertex{0.0, 0.0}, out);
  for (const Part& part : Parts) WritePartDxf(part, out);
  std::fputs("ENDSEC\n  0\nEOF\n", out);
  if (!drawing.Commit()) throw RunStop{StopNotice::kWarningBox, WriteFailedText(fileName)};
}

}  // namespace nest
