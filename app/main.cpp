#include "Project1.h"

int main(int argc, char *argv[])
{
    return Project1(argc, argv);
}
