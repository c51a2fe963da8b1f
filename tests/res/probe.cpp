// A program that holds the card's resources and does nothing else: the
// resource check reads them from a real linked executable even when the card
// itself does not link.
int main()
{
    return 0;
}
