// reg: see reg_command.h.
#include <iostream>

#include "reg_command.h"

int main(int argc, char** argv) { return RunRegCommand(argc, argv, std::cout, std::cerr, std::cin); }
