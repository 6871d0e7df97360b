#include "ui/Project1.h"

int main(int argc, char *argv[])
{
    return vorlinda::ui::Project1(argc, argv);
}
