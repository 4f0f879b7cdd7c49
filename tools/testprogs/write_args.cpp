// Test program: write_args OUT_HOST_PATH [ARGS...]
// Writes each argument after the first on a line of its own into the host
// file OUT_HOST_PATH, so a test can see how a command line was split.
#include <cstdio>

int main(int argc, char** argv) {
  if (argc < 2) return 100;
  FILE* out = fopen(argv[1], "wb");
  if (!out) return 101;
  for (int i = 2; i < argc; ++i) fprintf(out, "%s\n", argv[i]);
  return fclose(out) == 0 ? 0 : 102;
}
