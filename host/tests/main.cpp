#include "host/tests/check.h"

int main(int argc, char **argv) { return RunTests(argc, argv); }
