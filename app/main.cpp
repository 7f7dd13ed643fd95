#include <iostream>

int main() {
    std::cout << "stolvane\n";
    return 0;
}
