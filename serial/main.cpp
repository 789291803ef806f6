// Start-up of the tool; replaced by the instance start once it lands.
int main() { return 0; }
