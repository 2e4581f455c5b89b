// Engine error numbers written bare, one in each place the checker looks:
// it must find all eleven.
int classify(int rc) {
  switch (rc) {
    case 3008:
      return 1002;
  }
  if (rc == 6006 || 1300 <= rc) return 0;
  const bool cut = rc >= 1300 && rc < 1500;
  int number = 7003;
  setError(4012);
  return cut ? 9002 : number;
}
const Row rows[] = {{1000, Role::Source}, {{2002, 2008}}};
