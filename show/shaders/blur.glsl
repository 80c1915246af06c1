// Directional blur of "u_source" along "u_pixel" over "u_radius" texels.
#version 120
void main() {
    gl_TexCoord[0] = gl_MultiTexCoord0;
    gl_Position = gl_Vertex;
}
//____FRAGMENT_SHADER____
#version 120
uniform sampler2D u_source;
uniform vec2 u_pixel;
uniform int u_radius;
void main() {
    vec2 uv = gl_TexCoord[0].xy;
    vec4 sum = texture2D(u_source, uv);
    float weight = 1.0;
    for (int i = 1; i <= u_radius; ++i) {
        float w = 1.0 - float(i) / float(u_radius + 1);
        sum += w * (texture2D(u_source, uv + u_pixel * float(i)) + texture2D(u_source, uv - u_pixel * float(i)));
        weight += 2.0 * w;
    }
    gl_FragColor = sum / weight;
}
