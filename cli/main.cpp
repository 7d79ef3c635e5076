#include <cstdio>

int main() {
  std::fprintf(stderr, "vqpapyrant: no conversion front is built yet\n");
  return 1;
}
