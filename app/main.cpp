#include "app/entry.h"

int main() { return runDemo(); }
