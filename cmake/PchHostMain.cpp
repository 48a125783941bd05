// The host of an executable kind's precompiled headers: it compiles them, and nothing else. (A define
// telling the two hosts apart would make the headers unusable for every other target: a macro defined
// when the headers were compiled must be defined wherever they are used.)
int main() {
    return 0;
}
