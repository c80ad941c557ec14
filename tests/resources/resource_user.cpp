// Stands in for the program's static libraries that show the icon.
const char* iconPath(int size)
{
    return size == 16 ? ":/icons/malvor16.png" : ":/icons/malvor.png";
}
