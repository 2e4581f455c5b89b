// Numbers that equal engine error numbers without being one, and error
// numbers in comments and texts: the checker must find nothing here.
constexpr int kSecondStageMs = 2000;  // 3008 in a comment
/* return 1002; */
double rate(double x) { return x * 1000.0 / 1001.0; }
void place(Window& w, Settings& s) {
  w.resize(1000, 720);
  w.setHeight(readTwips(s, "FootageH", 1300));
  log("error 3008: record file reading error; case 3008:");
}
bool tooShort(long length) { return length < 1024; }
const Row rows[] = {{kErrSourceRead, "Read error!", nullptr, 1000}};
int mask() { return 0x1000; }
