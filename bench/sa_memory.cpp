// Memory per iteration of simulated annealing: the peak resident memory of
// the program running LONG iterations minus that of SHORT iterations, over
// their difference, on a fast job of 40 part types (one part each, written
// into a scratch folder). Start-up, the job and the layouts cancel; what
// remains is what the search keeps per iteration (the visited set). Target:
// at most 64 bytes.
//
//   nest_sa_memory PROGRAM [SHORT LONG]     (default 20000 120000)
//
// PROGRAM is the built program (build/nest); it runs as a child of this
// small process, so that the peak is the program's own. The two runs take
// about half a minute together.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

void WritePartFile(const std::string& path) {
  std::ofstream out(path, std::ios::binary);
  out << "SheetLength: 1000\nSheetWidth: 20\nSheetThicknes 0\n";
  for (int t = 0; t < 40; ++t) {
    const int w = 2 + t % 7;
    const int h = 2 + (t * 3) % 5;
    out << "Part\nName\nr" << t << "\nPartNumOfSameType\n1\nOutLoop\n0,0\n"
        << w << ",0\n"
        << w << "," << h << "\n0," << h << "\nEndOutLoop\nEndPart\n";
  }
}

// Runs the program's annealing for `iterations` in `folder`; its peak
// resident memory in kilobytes, or -1 when the run failed.
long PeakKb(const std::string& program, const std::string& folder, int iterations) {
  const std::string answers = folder + "/answers.txt";
  {
    std::ofstream out(answers, std::ios::binary);
    out << "parts.txt\n1\n1\n1\n" << iterations << "\n\n";
  }
  const pid_t child = fork();
  if (child == 0) {
    if (chdir(folder.c_str()) != 0) _exit(127);
    const int in = open(answers.c_str(), O_RDONLY);
    const int null = open("/dev/null", O_WRONLY);
    if (in < 0 || null < 0) _exit(127);
    dup2(in, 0);
    dup2(null, 1);
    dup2(null, 2);
    execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  if (child < 0 || wait4(child, &status, 0, &usage) != child) return -1;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
  return usage.ru_maxrss;  // kilobytes on Linux
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 && argc != 4) {
    std::fprintf(stderr, "usage: nest_sa_memory PROGRAM [SHORT LONG]\n");
    return 2;
  }
  const std::string program = std::filesystem::absolute(argv[1]).string();
  const int shortRun = argc == 4 ? std::atoi(argv[2]) : 20000;
  const int longRun = argc == 4 ? std::atoi(argv[3]) : 120000;
  std::string pattern = (std::filesystem::temp_directory_path() / "nest_memory_XXXXXX").string();
  std::vector<char> folder(pattern.begin(), pattern.end());
  folder.push_back('\0');
  if (mkdtemp(folder.data()) == nullptr) return 1;
  WritePartFile(std::string(folder.data()) + "/parts.txt");
  const long a = PeakKb(program, folder.data(), shortRun);
  const long b = PeakKb(program, folder.data(), longRun);
  std::filesystem::remove_all(folder.data());
  if (a < 0 || b < 0) {
    std::fprintf(stderr, "a run of the program failed\n");
    return 1;
  }
  std::printf(
      "peak %ld KB at %d iterations, %ld KB at %d: %.1f bytes per iteration "
      "(target at most 64)\n",
      a, shortRun, b, longRun,
      static_cast<double>(b - a) * 1024.0 / static_cast<double>(longRun - shortRun));
  return 0;
}
