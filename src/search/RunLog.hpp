#pragma once

#include <cstdio>
#include <string>

#include "app/PackJob.hpp"
#include "output/OutputFile.hpp"
#include "search/IDSequence.hpp"

namespace nest {

// The drivers' report: every line goes to the console and to Log.txt, each
// with a line end. Both are flushed when the driver asks (once an
// iteration, before it waits for a layout) and when the log is closed. The
// log is written under a temporary name and takes the name Log.txt when it
// is closed, or when a stop leaves the driver while it is open (the lines
// written so far are kept).
class RunLog {
 public:
  // Opens the log afresh; a log that cannot be opened stops the run.
  RunLog();
  ~RunLog();
  RunLog(const RunLog&) = delete;
  RunLog& operator=(const RunLog&) = delete;

  // Writes the lines to the console, then the same lines to the log.
  void Write(std::initializer_list<std::string> lines);
  // Shows the console's lines and writes the log's out; a log that cannot
  // be written stops the run.
  void Flush();
  // Puts the finished log in place; a log that cannot be completed stops the
  // run.
  void Close();

 private:
  OutputFile log_;
};

// Reals as the log shows them: six significant digits, the shorter of fixed
// and exponent notation.
std::string Real(double value);
// Integers in plain decimal.
std::string Int(long long value);
// Elapsed seconds: two decimals, a blank and the seconds sign.
std::string Seconds(double seconds);

// Writes the first PartCount IDs of `sequence` as one line of comma-separated
// IDs; a file that cannot be opened stops the run.
void SaveIDSequence(const PackJob& job, const std::string& fileName, const IDSequence& sequence);

}  // namespace nest
