// Stands in for the system-information program in the About box's tests:
// started, it leaves a file named after itself with ".ran" added.
#include <fstream>
#include <string>

int main(int, char** argv) {
    std::ofstream(std::string(argv[0]) + ".ran") << "ran\n";
}
