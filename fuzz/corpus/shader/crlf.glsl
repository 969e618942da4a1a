#version 110
void main()
{
}
