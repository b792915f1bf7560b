// Linked with every object of noxelcore and nothing above it: an object that
// used the main window (noxelapp) would leave an undefined symbol here, so
// the build refuses an upward dependency.
int main()
{
    return 0;
}
